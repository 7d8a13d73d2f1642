# A 32-bit process without any library: says "ready" and sleeps until it is killed.
    .globl _start
    .text
_start:
    mov $4, %eax            # write(1, ready, 6)
    mov $1, %ebx
    lea ready, %ecx
    mov $6, %edx
    int $0x80
1:  mov $162, %eax          # nanosleep(&forever, 0)
    lea forever, %ebx
    xor %ecx, %ecx
    int $0x80
    jmp 1b
    .data
ready:
    .ascii "ready\n"
forever:
    .long 100000, 0
