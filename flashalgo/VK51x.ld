/* Layout of a flash-algorithm file: the loader copies PrgCode and PrgData back to back into SRAM at an address of
   its choosing, points r9 at the writable data and calls the entry points. Nothing is relocated on the way, so
   the build must fail whenever the code would need it. */

SECTIONS
{
    PrgCode 0 :
    {
        *(.text .text.*)
        *(.rodata .rodata.*)
        . = ALIGN(4);
    }

    PrgData ADDR(PrgCode) + SIZEOF(PrgCode) :
    {
        *(PrgData)
    }

    DevDscr ADDR(PrgData) + SIZEOF(PrgData) :
    {
        KEEP(*(DevDscr))
    }

    /* Collected only to be checked empty below; the markers stay local, out of the file's interface. */
    .needs_relocation :
    {
        HIDDEN(__needs_relocation_start = .);
        *(.got .got.* .igot.* .got.plt)
        *(.data.rel .data.rel.*)
        *(.rel.* .rela.*)
        *(.dynamic .dynsym .dynstr .interp)
        HIDDEN(__needs_relocation_end = .);
    }

    .unreached_data :
    {
        HIDDEN(__unreached_data_start = .);
        *(.data .data.*)
        *(.bss .bss.* COMMON)
        HIDDEN(__unreached_data_end = .);
    }

    /DISCARD/ : { *(.ARM.exidx*) *(.ARM.extab*) *(.init_array*) *(.fini_array*) }
}

ASSERT(__needs_relocation_end == __needs_relocation_start,
       "VK51x.FLM: the code needs a GOT or relocations and would break when loaded at another address")
ASSERT(__unreached_data_end == __unreached_data_start,
       "VK51x.FLM: writable data outside PrgData would be reached from the load address, not from r9")
ASSERT(ADDR(PrgData) == ADDR(PrgCode) + SIZEOF(PrgCode), "VK51x.FLM: PrgData must follow PrgCode without a gap")
ASSERT(SIZEOF(PrgData) > 0, "VK51x.FLM: PrgData is missing")
ASSERT(SIZEOF(DevDscr) == 4256, "VK51x.FLM: DevDscr must hold exactly one FlashDevice record")
