##
## This file is part of the KSY7100 evaluation tool.
## Licensed under the MIT licence.
##

'''
The serial latches of the KSY7100 family of PLL frequency synthesizers, stacked on the SPI
decoder: 24-bit words, most significant bit first, clocked on CLK's rising edge, with the latch
enable line (LE) as an active-low chip select, since the chip latches the word when LE rises.

For each word: the latch it goes to (from its two address bits), every field under the register
map's name with its meaning, and, once an R, an N and (for the variants with a dual-modulus
prescaler) a control word have passed, the VCO frequency they program from the reference given
as an option. Words that set a reserved bit get a warning.

With the evaluation tool's traces:
  sigrok-cli -i trace.vcd -P spi:clk=CLK:mosi=DATA:cs=LE:cs_polarity=active-low:wordsize=24,ksy7100
'''

from .pd import Decoder
