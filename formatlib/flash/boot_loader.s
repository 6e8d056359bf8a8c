# The x86 boot loader of the master boot records the low-level format writes: it moves itself
# from 0x7C00 to 0x0600, finds the one active partition entry, reads that partition's first
# sector with INT 13h (five tries, a disk reset between them), checks its 0x55 0xAA and jumps to
# it. Byte 36 holds 0x80, as the older readers' master boot records have it. Assembled into
# boot_loader.cpp (see there); messages are shown with INT 10h teletype output.
.code16
.text
.globl _start
_start:
  jmp begin
.org 36
  .byte 0x80
begin:
  cli
  xor %ax, %ax
  mov %ax, %ss
  mov $0x7C00, %sp
  mov %ax, %ds
  mov %ax, %es
  sti
  cld
  mov $0x7C00, %si
  mov $0x0600, %di
  mov $0x100, %cx
  rep movsw
  ljmp $0, $relocated
relocated:
  mov %dl, drive
  mov $0x07BE, %si
  mov $4, %cx
find:
  cmpb $0x80, (%si)
  je found
  cmpb $0, (%si)
  jne invalid
  add $16, %si
  loop find
  int $0x18
found:
  mov %si, %bp
  mov %si, %bx
rest:
  add $16, %bx
  cmp $0x07FE, %bx
  jae load
  cmpb $0, (%bx)
  jne invalid
  jmp rest
load:
  mov $5, %di
retry:
  mov drive, %dl
  mov 1(%bp), %dh
  mov 2(%bp), %cx
  mov $0x0201, %ax
  mov $0x7C00, %bx
  int $0x13
  jnc loaded
  xor %ax, %ax
  int $0x13
  dec %di
  jnz retry
  mov $msg_load, %si
  jmp print
loaded:
  cmpw $0xAA55, 0x7DFE
  jne missing
  mov %bp, %si
  mov drive, %dl
  ljmp $0, $0x7C00
invalid:
  mov $msg_invalid, %si
  jmp print
missing:
  mov $msg_missing, %si
print:
  lodsb
  test %al, %al
  jz hang
  mov $0x0E, %ah
  mov $7, %bx
  int $0x10
  jmp print
hang:
  hlt
  jmp hang
drive: .byte 0
msg_invalid: .asciz "Invalid partition table"
msg_load: .asciz "Error loading operating system"
msg_missing: .asciz "Missing operating system"
