// The shell's ways of starting things: ShellExecuteA, WinHelpA, WinExec and PlaySound, all
// through the desktop launcher (shell_launch.h). ShellExecuteA starts only programs of the
// program folder; a document, folder or address goes to the desktop's opener. Nothing ever
// runs a command line built from text: WinExec always fails, and Windows programs or scripts
// elsewhere are refused. Not implemented: verbs other than "open", ShellExecuteEx, sound
// aliases and resources, looping sounds (played once).
#pragma once

#include "platform/win/types.h"

namespace win {

// ShellExecuteA's results of 32 and below, besides ERROR_BAD_FORMAT for a program it will not run.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_QUIT = 0x0002;
constexpr UINT HELP_CONTENTS = 0x0003;
constexpr UINT HELP_KEY = 0x0101;
constexpr UINT HELP_FINDER = 0x000B;

constexpr DWORD SND_SYNC = 0x00000000;
constexpr DWORD SND_ASYNC = 0x00000001;
constexpr DWORD SND_NODEFAULT = 0x00000002;
constexpr DWORD SND_MEMORY = 0x00000004;
constexpr DWORD SND_LOOP = 0x00000008;
constexpr DWORD SND_NOSTOP = 0x00000010;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;

// operation: null or "open". file: a program of the program folder ("Ordweft.exe" names the
// host program "Ordweft" there too), a document, a folder, or an address ("mailto:..."); a
// relative path is taken from directory, else from the current directory. parameters are the
// program's arguments, split at blanks outside double quotes. The answer is a value above 32
// on success, else SE_ERR_* (never a handle to use).
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int showCommand);

// Opens the help file with the desktop's opener when it exists (the topic is not selected);
// HELP_QUIT has nothing to close and succeeds.
BOOL WinHelpA(HWND window, LPCSTR helpFile, UINT command, std::uintptr_t data);

// Never runs the command line: answers ERROR_FILE_NOT_FOUND, as for a missing program.
UINT WinExec(LPCSTR commandLine, UINT showCommand);

// Plays a WAV file (SND_FILENAME or no type flag) when a sound device exists; FALSE otherwise,
// without a message and without a default sound. A null sound succeeds (nothing is played).
BOOL PlaySound(LPCSTR sound, HMODULE module, DWORD flags);

}  // namespace win
