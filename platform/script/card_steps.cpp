// The card steps: what a person does with the machine's panel while the program runs.
#include "platform/script/script_runner.h"

#include "platform/machine/flash/flash_geometry.h"
#include "platform/machine/machine.h"
#include "platform/panel/card_for_image.h"
#include "platform/panel/machine_panel.h"
#include "platform/script/window_steps.h"
#include "platform/win/files/paths.h"

#include <filesystem>

namespace script {
namespace {

std::string Drive(char letter) { return std::string(1, letter) + ":"; }

// An image named as a host path (relative ones from the current folder) or as a Windows path.
std::filesystem::path ImagePath(const std::string& named) {
  if (named.size() >= 2 && named[1] == ':') {
    if (auto host = win::HostPathOf(named)) return *host;
    throw StepFailed{named + " is not a file of this computer"};
  }
  return std::filesystem::absolute(named);
}

void Insert(machine::Machine& machine, char letter, const std::string& image, int deviceCode) {
  const auto reader = machine.ReaderAt(letter);
  if (!reader) throw StepFailed{"the machine has no reader at " + Drive(letter)};
  machine::CardDescription card = machine::CardForImage(reader->Description(), ImagePath(image));
  if (deviceCode != 0) {
    if (card.kind != machine::CardKind::SmartMedia)
      throw StepFailed{"reader " + Drive(letter) + " takes no SmartMedia"};
    if (!machine::SmartMediaGeometry(static_cast<std::uint8_t>(deviceCode))) {
      throw StepFailed{std::to_string(deviceCode) + " is no SmartMedia device code"};
    }
    card.smartMediaDeviceCode = static_cast<std::uint8_t>(deviceCode);
  }
  machine.InsertCard(letter, card);
}

void Remove(machine::Machine& machine, char letter) {
  const auto reader = machine.ReaderAt(letter);
  if (!reader) throw StepFailed{"the machine has no reader at " + Drive(letter)};
  if (!reader->Held()) throw StepFailed{"reader " + Drive(letter) + " holds no card"};
  machine.RemoveCard(letter);
}

}  // namespace

void ScriptRunner::ExecuteCard(const Step& step) {
  if (program_.machine == nullptr) throw StepFailed{"no machine to act on"};
  machine::Machine& machine = *program_.machine;
  try {
    switch (step.verb) {
      case Verb::CardInsert: Insert(machine, step.letter, step.text, step.deviceCode); break;
      case Verb::CardRemove: Remove(machine, step.letter); break;
      case Verb::CardSwap: machine.SwapCards(step.letter, step.otherLetter); break;
      default: machine.SetWriteProtected(step.letter, step.on); break;
    }
  } catch (const std::runtime_error& refused) {
    throw StepFailed{refused.what()};
  }
  if (program_.panel != nullptr) program_.panel->Refresh();
}

}  // namespace script
