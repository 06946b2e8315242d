##
## This file is part of the KSY7100 evaluation tool.
## Licensed under the MIT licence.
##

import sigrokdecode as srd


def time_text(seconds):
    if seconds >= 1e-3:
        return '%.3f ms' % (seconds * 1e3)
    return '%.1f us' % (seconds * 1e6)


class Decoder(srd.Decoder):
    api_version = 3
    id = 'ksy7100_ld'
    name = 'KSY7100 LD'
    longname = 'KSY7100 lock detect'
    desc = 'The lock-detect line of a KSY7100 synthesizer: lock times after each latch-enable edge.'
    license = 'mit'
    inputs = ['logic']
    outputs = []
    tags = ['Clock/timing', 'IC', 'Wireless/RF']
    channels = (
        {'id': 'le', 'name': 'LE', 'desc': 'Latch enable'},
        {'id': 'ld', 'name': 'LD', 'desc': 'Lock detect (MUXOUT)'},
    )
    annotations = (
        ('lock', 'Lock time'),
        ('locked', 'Locked'),
    )
    annotation_rows = (
        ('locks', 'Lock times', (0,)),
        ('states', 'Lock detect', (1,)),
    )

    def __init__(self):
        self.reset()

    def reset(self):
        self.samplerate = None
        self.last_le = None
        self.rise = None

    def metadata(self, key, value):
        if key == srd.SRD_CONF_SAMPLERATE:
            self.samplerate = value

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)

    def decode(self):
        # A latch-enable edge starts a hop's clock; a lock-detect rise ends it, and a fall closes
        # the stretch of lock.
        while True:
            le, ld = self.wait([{0: 'r'}, {1: 'r'}, {1: 'f'}])
            if self.matched[0]:
                self.last_le = self.samplenum
            if self.matched[1]:
                self.rise = self.samplenum
                if self.last_le is not None:
                    texts = ['LE to LD %d samples' % (self.samplenum - self.last_le), 'LD']
                    if self.samplerate:
                        took = (self.samplenum - self.last_le) / self.samplerate
                        texts = ['Lock detect after %s' % time_text(took), time_text(took)]
                    self.put(self.last_le, self.samplenum, self.out_ann, [0, texts])
            if self.matched[2] and self.rise is not None:
                self.put(self.rise, self.samplenum, self.out_ann, [1, ['Locked', 'L']])
                self.rise = None
