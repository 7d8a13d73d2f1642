# A 32-bit process without any library: sleeps until it is killed.
    .globl _start
    .text
_start:
1:  mov $162, %eax          # nanosleep(&forever, 0)
    lea forever, %ebx
    xor %ecx, %ecx
    int $0x80
    jmp 1b
    .data
forever:
    .long 100000, 0
