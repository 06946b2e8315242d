##
## This file is part of the KSY7100 evaluation tool.
## Licensed under the MIT licence.
##

'''
The lock-detect line of the KSY7100 family of PLL frequency synthesizers (MUXOUT set to digital
lock detect) beside the latch enable line: each rising edge of lock detect is annotated with the
time since the latch-enable edge before it, the lock time of a hop whose N word that edge
latched, and the stretches where lock detect is high are marked "locked".

With the evaluation tool's traces (the LD signal is there when a hop run measured lock):
  sigrok-cli -i trace.vcd -P ksy7100_ld:le=LE:ld=LD
'''

from .pd import Decoder
