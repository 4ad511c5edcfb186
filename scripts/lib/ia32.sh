# Whether this kernel runs 32-bit x86 programs, sourced by the scripts. Asked of the kernel itself: a
# 93-byte static i386 program that exits with 42 at once (ELF header, one loadable segment, then
# xor ebx,ebx; mov bl,42; xor eax,eax; inc eax; int 0x80). Kernels without IA32 emulation refuse to start it.
kernel_runs_32bit() {
  local probe status=0
  probe=$(mktemp -t tovlane-ia32.XXXXXX)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'`
    `'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'`
    `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'`
    `'\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" = 42 ]
}
