"""What keeps runs apart: private prefix copies and private displays."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness import display, prefix, registry  # noqa: E402


class PrefixCopyTest(unittest.TestCase):
    def test_a_copy_shares_files_but_not_the_registry(self):
        with tempfile.TemporaryDirectory() as tmp:
            template = os.path.join(tmp, "template")
            os.makedirs(os.path.join(template, "drive_c", "windows"))
            for name in ("system.reg", "user.reg", "userdef.reg", ".tickbomb-template"):
                with open(os.path.join(template, name), "w") as f:
                    f.write("WINE REGISTRY Version 2\n\n[Software\\\\Wine\\\\Debug] 1\n"
                            '"RelayFromExclude"="user32"\n\n')
            with open(os.path.join(template, "drive_c", "windows", "win.ini"), "w") as f:
                f.write("[windows]\n")

            copy = os.path.join(tmp, "run", "prefix")
            os.makedirs(os.path.dirname(copy))
            prefix.copy_template(template, copy)
            prefix.configure(copy, watch=["user32.ExitWindowsEx"], windows_version="win98",
                             log_pixels=144, audio="")

            shared = os.path.join("drive_c", "windows", "win.ini")
            self.assertTrue(os.path.samefile(os.path.join(template, shared),
                                             os.path.join(copy, shared)))
            self.assertFalse(os.path.samefile(os.path.join(template, "user.reg"),
                                              os.path.join(copy, "user.reg")))
            self.assertFalse(os.path.exists(os.path.join(copy, ".tickbomb-template")))
            with open(os.path.join(template, "user.reg")) as f:
                self.assertIn("RelayFromExclude", f.read())
            with open(os.path.join(copy, "user.reg")) as f:
                text = f.read()
            self.assertIsNone(registry.read_value(text, r"Software\Wine\Debug", "RelayFromExclude"))
            self.assertEqual(registry.read_value(text, r"Software\Wine\Debug", "RelayFromInclude"),
                             '"tickbomb.exe"')
            self.assertEqual(registry.read_value(text, r"Software\Wine", "Version"), '"win98"')
            self.assertEqual(registry.read_value(text, r"Control Panel\Desktop", "LogPixels"),
                             "dword:00000090")
            self.assertEqual(registry.read_value(text, r"Software\Wine\Drivers", "Audio"), '""')

    def test_wine_commands_get_the_run_prefix_and_no_outside_wine_settings(self):
        os.environ["WINEPREFIX"] = "/root/.wine"
        os.environ["WINESERVER"] = "/elsewhere/wineserver"
        try:
            env = prefix.base_environment("/tmp/x/prefix", "/tmp/x/home")
        finally:
            del os.environ["WINEPREFIX"], os.environ["WINESERVER"]
        self.assertEqual(env["WINEPREFIX"], "/tmp/x/prefix")
        self.assertEqual(env["HOME"], "/tmp/x/home")
        self.assertNotIn("WINESERVER", env)
        self.assertNotIn("DISPLAY", env)


class DisplayTest(unittest.TestCase):
    def test_two_displays_at_once_each_with_a_black_root(self):
        with tempfile.TemporaryDirectory() as tmp:
            first = display.Display(os.path.join(tmp, "a.log"), size=(320, 200))
            second = display.Display(os.path.join(tmp, "b.log"), size=(320, 200))
            try:
                first.start()
                second.start()
                self.assertNotEqual(first.name, second.name)
                shot = second.grab()
                self.assertEqual(shot.size, (320, 200))
                self.assertEqual(shot.getextrema(), ((0, 0),) * 3)
            finally:
                first.stop()
                second.stop()
            self.assertIsNotNone(first.process.poll())
            self.assertIsNotNone(second.process.poll())


if __name__ == "__main__":
    unittest.main()
