; An MZ header around the tiny-model program bcc makes (a .COM image that
; runs at PSP:0100 with CS = DS = SS = the PSP), so that DOS loads only the
; program and not the archive appended after it, and so that the file
; carries "LHA's SFX" at bytes 33 to 41, in the header's reserved words,
; where type detection looks for it.
;   nasm -f bin -DCOM='"lzhsfx.com"' -DCOM_SIZE=<bytes> -o lzhdos.exe mzhead.asm
bits 16

HEADER_PARAS equ 4                    ; 64 bytes: room for the mark
IMAGE equ HEADER_PARAS * 16 + COM_SIZE
; The program's segment is 64 KB from the PSP on: what the image does not
; fill is asked for as extra paragraphs, and no more, so that memory stays
; free for DOS.
EXTRA equ 0x1000 - 0x10 - (COM_SIZE + 15) / 16

        db 'MZ'
        dw IMAGE % 512                ; bytes in the last page
        dw (IMAGE + 511) / 512        ; pages
        dw 0                          ; no relocations
        dw HEADER_PARAS
        dw EXTRA                      ; least extra memory
        dw EXTRA                      ; most extra memory
        dw 0xFFF0                     ; SS: the image loads at PSP + 10h paragraphs,
        dw 0xFFFE                     ;   so -10h is the PSP; SP at its top
        dw 0                          ; checksum (unused)
        dw 0x0100                     ; IP
        dw 0xFFF0                     ; CS = the PSP, as for a .COM program
        dw 0x0040                     ; relocation table (empty) after the header
        dw 0                          ; overlay
        times 33 - ($ - $$) db 0
        db "LHA's SFX"
        times HEADER_PARAS * 16 - ($ - $$) db 0
        incbin COM
