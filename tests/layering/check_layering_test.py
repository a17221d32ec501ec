#!/usr/bin/env python3
"""The layering check finds what breaks the layering, and only that."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import check_layering  # noqa: E402


def tree(files):
    root = tempfile.TemporaryDirectory()
    for name, text in files.items():
        path = pathlib.Path(root.name) / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)
    return root


class LayeringTest(unittest.TestCase):
    def found(self, files):
        with tree(files) as root:
            return list(check_layering.offences(pathlib.Path(root)))

    def test_downward_includes_pass(self):
        self.assertEqual(self.found({
            "app/main.cpp": '#include "ui/menu.h"\n#include <QApplication>\n',
            "hostednet/a.cpp": '#include "ics/b.h"\n#include "platform/sim/c.h"\n#include <map>\n',
            "platform/sim/d.cpp": '#include "platform/e.h"\n',
            "ui/f.cpp": '#include "duilib/g.h"\n#include <QWidget>\n',
        }), [])

    def test_upward_includes_fail(self):
        found = self.found({
            "base/a.h": '#include "config/b.h"\n',
            "ics/c.cpp": '  #  include "hostednet/d.h"\n',
            "duilib/e.cpp": '#include "platform/f.h"\n',
        })
        self.assertEqual(len(found), 3)
        self.assertIn("base/ may not include config/", found[0])
        self.assertIn("duilib/ may not include platform/", found[1])
        self.assertIn("ics/ may not include hostednet/", found[2])

    def test_qt_in_core_fails(self):
        found = self.found({
            "hostednet/a.cpp": "#include <QString>\n",
            "platform/linux/b.cpp": "#include <QtDBus/QDBusConnection>\n",
            "config/c.cpp": "#include <qglobal.h>\n",
        })
        self.assertEqual(len(found), 3)
        self.assertTrue(all("builds without Qt" in line for line in found))

    def test_platform_interface_naming_a_backend_fails(self):
        found = self.found({"platform/wlan_api.h": '#include "platform/sim/sim_system.h"\n'})
        self.assertEqual(len(found), 1)
        self.assertIn("may not include a backend", found[0])

    def test_shared_services_naming_a_backend_fail(self):
        found = self.found({
            "platform/services/a.cpp": '#include "platform/services/b.h"\n#include "platform/wlan_api.h"\n',
            "platform/services/c.h": '#include "platform/sim/d.h"\n',
            "platform/services/e.cpp": '#include "platform/nm/f.h"\n',
            "platform/sim/g.cpp": '#include "platform/services/c.h"\n',
        })
        self.assertEqual(len(found), 2)
        self.assertTrue(all("shared services know no backend" in line for line in found))


if __name__ == "__main__":
    unittest.main()
