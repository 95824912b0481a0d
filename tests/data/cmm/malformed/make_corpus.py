#!/usr/bin/env python3
"""Writes the malformed-profile corpus next to this script, one folder per
fault, and expected.txt: file, whether it loads, and a text the log must hold.
Rerun after changing a case: python3 make_corpus.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def be32(v):
    return struct.pack('>I', v & 0xFFFFFFFF)


def be16(v):
    return struct.pack('>H', v & 0xFFFF)


def s15(v):
    return be32(int(round(v * 65536)))


def tag_base(t):
    return t + b'\0\0\0\0'


def desc(text):
    b = text.encode()
    return tag_base(b'desc') + be32(len(b) + 1) + b + b'\0' + bytes(78)


def xyz(x, y, z):
    return tag_base(b'XYZ ') + s15(x) + s15(y) + s15(z)


def curv(entries):
    return tag_base(b'curv') + be32(len(entries)) + b''.join(be16(e) for e in entries)


def mft2(inputs, outputs, points, n=2, m=2):
    b = tag_base(b'mft2') + bytes([inputs, outputs, points, 0])
    b += b''.join(s15(1.0 if i % 4 == 0 else 0.0) for i in range(9))
    b += be16(n) + be16(m)
    b += b''.join(be16(0) + be16(65535) for _ in range(inputs)) if n == 2 else b''
    b += bytes(2 * outputs * points ** inputs)
    b += b''.join(be16(0) + be16(65535) for _ in range(outputs)) if m == 2 else b''
    return b


def profile(tags, space=b'RGB ', pcs=b'XYZ ', cls=b'mntr', version=0x02100000, size=None):
    """tags: list of (sig, data) or (sig, data, offset_override, size_override)."""
    dir_end = 128 + 4 + 12 * len(tags)
    body = b''
    entries = []
    for t in tags:
        sig, data = t[0], t[1]
        off = dir_end + len(body)
        entries.append([sig, off, len(data)])
        body += data
        while len(body) % 4:
            body += b'\0'
        if len(t) > 2 and t[2] is not None:
            entries[-1][1] = t[2]
        if len(t) > 3 and t[3] is not None:
            entries[-1][2] = t[3]
    total = dir_end + len(body)
    h = be32(total if size is None else size) + b'NUVR' + be32(version) + cls + space + pcs
    h += b''.join(be16(v) for v in (2024, 1, 2, 3, 4, 5)) + b'acsp' + b'APPL' + be32(0) + b'NUVR' + be32(0)
    h += be32(0) + be32(0) + be32(0) + s15(0.9642) + s15(1.0) + s15(0.8249) + b'NUVR' + bytes(44)
    assert len(h) == 128
    d = be32(len(tags)) + b''.join(sig + be32(o) + be32(s) for sig, o, s in entries)
    return h + d + body


def matrix_shaper(**kw):
    return [(b'desc', desc('Corpus base')), (b'wtpt', xyz(0.9642, 1.0, 0.8249)),
            (b'rXYZ', xyz(0.4361, 0.2225, 0.0139)), (b'gXYZ', xyz(0.3851, 0.7169, 0.0971)),
            (b'bXYZ', xyz(0.1431, 0.0606, 0.7141)), (b'rTRC', curv([0x0233])), (b'gTRC', curv([0x0233])),
            (b'bTRC', curv([0x0233]))]


cases = []


def case(folder, name, data, loads, message):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    path = os.path.join(folder, name + '.icc')
    with open(os.path.join(HERE, path), 'wb') as f:
        f.write(data)
    cases.append((path, 'loads' if loads else 'fails', message))


base = profile(matrix_shaper())

# Truncated data.
case('truncated', 'header', base[:100], False, "Invalid '")
case('truncated', 'directory', base[:150], False, 'Tag directory of 8 entries runs past the end of the data')
case('truncated', 'last_tag', base[:-10], False, "Tag 'bTRC' of 14 bytes does not fit")

# Sizes that lie.
case('lying_sizes', 'profile_below_128', be32(100) + base[4:], False, "Invalid '")
tags = matrix_shaper()
tags[0] = (b'desc', desc('Corpus base'), None, 0x7FFFFFF0)
case('lying_sizes', 'tag_past_profile', profile(tags), False, 'Invalid icTags1[64657363]')
tags[0] = (b'desc', desc('Corpus base'), None, 0xFFFFFFF0)
case('lying_sizes', 'tag_size_wraps', profile(tags), False, 'Invalid icTags1[64657363]')
tags = matrix_shaper()
tags[0] = (b'desc', tag_base(b'desc') + be32(5000) + b'abc\0')
case('lying_sizes', 'desc_count', profile(tags), False, 'Invalid TextDescriptionType structure')
tags = matrix_shaper() + [(b'cprt', tag_base(b'text') + b'x\0', None, 4)]
case('lying_sizes', 'text_below_8', profile(tags), False, 'Bad icTagBase')
tags = matrix_shaper() + [(b'chad', tag_base(b'sf32') + bytes(48))]
case('lying_sizes', 'chad_56', profile(tags), False, 'Bad array size of 4 entries.')

# Counts far beyond the data.
case('huge_counts', 'tag_count', base[:128] + be32(0x7FFFFFFF) + base[132:], False, 'Corrupted')
tags = matrix_shaper()
tags[5] = (b'rTRC', tag_base(b'curv') + be32(0x10000) + bytes(8))
case('huge_counts', 'curv_entries', profile(tags), False, 'Too large curve table: 65536 items.')
tags = matrix_shaper()
tags[5] = (b'rTRC', tag_base(b'curv') + be32(40000) + bytes(8))
case('huge_counts', 'curv_past_tag', profile(tags), False, 'runs past its tag')
tags = matrix_shaper() + [(b'cprt', tag_base(b'mluc') + be32(0x10000000) + be32(12) + b'enUS' + be32(4) + be32(28))]
case('huge_counts', 'mluc_records', profile(tags), False, 'Invalid multiLocalizedUnicodeType structure')
lut = [(b'desc', desc('LUT base')), (b'A2B0', mft2(3, 3, 2))]
case('huge_counts', 'grid_points', profile([lut[0], (b'A2B0', mft2(3, 3, 2)[:10] + bytes([255]) + mft2(3, 3, 2)[11:])]),
     False, 'does not fit its tag')
case('huge_counts', 'grid_inputs', profile([lut[0], (b'A2B0', mft2(3, 3, 2)[:8] + bytes([15, 15, 200]) + mft2(3, 3, 2)[11:])]),
     False, 'LUT16 tables run past their tag')
case('huge_counts', 'table_entries', profile([lut[0], (b'A2B0', mft2(3, 3, 2)[:48] + be16(65535) + mft2(3, 3, 2)[50:])]),
     False, 'LUT16 tables run past their tag')
case('huge_counts', 'table_of_one', profile([lut[0], (b'A2B0', mft2(3, 3, 2)[:48] + be16(1) + mft2(3, 3, 2)[50:])]),
     False, 'LUT16 tables of 1 and 2 entries')
case('huge_counts', 'two_inputs', profile([lut[0], (b'A2B0', mft2(2, 3, 3))], space=b'2CLR', cls=b'prtr'),
     False, 'cannot be evaluated')
case('huge_counts', 'channels_disagree', profile([lut[0], (b'A2B0', mft2(4, 3, 2))]),
     False, 'does not fit a profile of 3 and 3')

# Offsets that point elsewhere.
tags = matrix_shaper()
tags[1] = (b'wtpt', xyz(1, 1, 1), 64)
case('bad_offsets', 'inside_header', profile(tags), False, 'Invalid icTags2[77747074], offset: 64')
good = profile(matrix_shaper())
tags = matrix_shaper()
tags[-1] = (b'bTRC', curv([0x0233]), len(good) + 400)
case('bad_offsets', 'past_the_data', profile(tags, size=len(good) + 1000), True, 'past the end')
mab = tag_base(b'mAB ') + bytes([3, 3, 0, 0]) + be32(0) + be32(0) + be32(0) + be32(0x100000) + be32(0)
case('bad_offsets', 'clut_past_tag', profile([lut[0], (b'A2B0', mab)], version=0x04200000), False,
     'lies outside its tag')
tags = matrix_shaper() + [(b'cprt', tag_base(b'mluc') + be32(1) + be32(12) + b'enUS' + be32(40) + be32(0x7FFFFF00))]
case('bad_offsets', 'mluc_string', profile(tags), False, 'Invalid multiLocalizedUnicodeType structure')

with open(os.path.join(HERE, 'expected.txt'), 'w') as f:
    f.write('# file\tloads or fails\ttext the log must hold\n')
    for c in cases:
        f.write('\t'.join(c) + '\n')
