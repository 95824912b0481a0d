#!/usr/bin/env python3
"""The layering check on a small tree with one fault of each kind planted,
beside the includes it must let through."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layering  # noqa: E402

FACTS = """subsystems low;mid;high
exception mid high/Allowed.h
target low STATIC_LIBRARY
folder low
public Public.h
target mid STATIC_LIBRARY
folder mid
links low;Qt5::Core
target high STATIC_LIBRARY
folder high
public Allowed.h;Api.h
links $<LINK_ONLY:helper>
target helper STATIC_LIBRARY
folder -
links mid
target mid_tests EXECUTABLE
folder tests/mid
links mid
"""

FILES = {
    'low/Public.h': '',
    'low/Internal.h': '',
    'low/Low.cpp': '#include "low/Internal.h"\n',
    'mid/Mid.h': '#include "low/Public.h"\n',
    'mid/Mid.cpp': ('#include "mid/Mid.h"\n#include "low/Internal.h"\n'
                    '#include "high/Api.h"\n#include "high/Allowed.h"\n#include <vector>\n'),
    'high/Api.h': '',
    'high/Allowed.h': '',
    'high/High.cpp': '#include "low/Public.h"\n#include "mid/Mid.h"\n#include "high/Api.h"\n',
    'tests/mid/Helper.h': '',
    'tests/mid/MidTest.cpp': ('#include "mid/Mid.h"\n#include "tests/mid/Helper.h"\n'
                              '#include "low/Internal.h"\n'),
}


def run(files, facts=FACTS):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), 'w') as f:
                f.write(text)
        with open(os.path.join(root, 'layering.txt'), 'w') as f:
            f.write(facts)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            rc = check_layering.main(root, os.path.join(root, 'layering.txt'))
        return rc, out.getvalue().splitlines()


class LayeringCheck(unittest.TestCase):
    def test_reports_each_kind_of_fault_and_nothing_else(self):
        rc, lines = run(FILES)
        self.assertEqual(rc, 1)
        self.assertEqual(lines[:-1], [
            'high/High.cpp:2: high includes "mid/Mid.h" of mid, an internal header of mid '
            '(public ones are listed by morvelin_layer in mid/CMakeLists.txt)',
            'mid/Mid.cpp:2: mid includes "low/Internal.h" of low, an internal header of low '
            '(public ones are listed by morvelin_layer in low/CMakeLists.txt)',
            'mid/Mid.cpp:3: mid includes "high/Api.h" of high, which it does not link',
            'mid/Mid.cpp:3: mid includes "high/Api.h" of high, a later subsystem (high comes after mid)',
            'tests/mid/MidTest.cpp:3: mid_tests includes "low/Internal.h" of low, an internal header of low '
            '(public ones are listed by morvelin_layer in low/CMakeLists.txt)',
        ])
        self.assertEqual(lines[-1], '10 files of 4 targets checked, 5 layering faults')

    def test_clean_tree_passes_and_a_missing_public_header_fails(self):
        clean = {p: t for p, t in FILES.items() if p not in ('high/High.cpp', 'mid/Mid.cpp', 'tests/mid/MidTest.cpp')}
        self.assertEqual(run(clean)[0], 0)
        del clean['high/Allowed.h']
        rc, lines = run(clean)
        self.assertEqual((rc, lines[0]), (1, 'public header high/Allowed.h does not exist'))

    def test_a_check_that_sees_no_include_of_another_library_fails(self):
        rc, lines = run({}, 'subsystems low\ntarget low STATIC_LIBRARY\nfolder low\n')
        self.assertEqual((rc, lines[0]), (1, 'no include of another library found: '
                                             'the source root or the facts are wrong'))


if __name__ == '__main__':
    unittest.main()
