"""The relay trace reader, on lines as Wine 8 writes them."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness.relay import (InOrder, RelayLog, decode_string, load_addresses,  # noqa: E402
                           parse_arg, parse_relay, signed32, split_args)

TRACE = """\
700.522:002c:trace:relay:load_list L"RelayInclude" = L"user32.ExitWindowsEx;winmm.PlaySoundA"
700.536:002c:Call PE DLL (proc=7BC69420,module=7BC00000 L"ntdll.dll",reason=PROCESS_ATTACH,res=0066FD24)
701.239:0024:Call winmm.PlaySoundA(01218560,00000000,00000007) ret=00401ea7
701.240:0024:Ret  winmm.PlaySoundA() retval=00000001 ret=00401ea7
701.254:0024:Call KERNEL32.GetVersionExA(0065fdbc) ret=00401ee3
701.254:0024:Ret  KERNEL32.GetVersionExA() retval=00000001 ret=00401ee3
701.287:0024:Call user32.GetWindowLongA(0002004a,fffffff0) ret=004020ac
701.287:0024:Ret  user32.GetWindowLongA() retval=04cf0000 ret=004020ac
701.287:0024:Call user32.SetWindowLongA(0002004a,fffffff0,04000000) ret=004020e0
701.287:0024:Ret  user32.SetWindowLongA() retval=04cf0000 ret=004020e0
701.290:0024:fixme:imm:ImeSetActiveContext (00020048, 1): stub
1090.351:0024:Call user32.MessageBoxW(00010048,0041e0c4 L"\\3073\\3063\\304f\\308a\\3057\\305f\\ff1f",0041e0b2 L"By \\30d4\\30b3\\30ea\\30f3",00000000) ret=00401b7d
1092.000:0024:Ret  user32.MessageBoxW() retval=00000001 ret=00401b7d
1093.000:0030:Call user32.ExitWindowsEx(00000001,00000000) ret=00401b7d
"""


class ParsingTest(unittest.TestCase):
    def test_calls_come_in_order_with_names_args_times_and_results(self):
        calls = parse_relay(TRACE.splitlines())
        self.assertEqual([c.name for c in calls], [
            "winmm.PlaySoundA", "kernel32.GetVersionExA", "user32.GetWindowLongA",
            "user32.SetWindowLongA", "user32.MessageBoxW", "user32.ExitWindowsEx"])
        play = calls[0]
        self.assertEqual(play.args, [0x01218560, 0, 7])
        self.assertEqual(play.thread, 0x24)
        self.assertAlmostEqual(play.time, 701.239)
        self.assertEqual(play.retval, 1)
        self.assertAlmostEqual(play.ret_time, 701.240)
        self.assertEqual(play.caller, 0x401EA7)
        self.assertEqual(calls[2].retval, 0x04CF0000)
        self.assertEqual(calls[2].sarg(1), -16)

    def test_a_call_that_never_returned_has_no_result(self):
        exit_call = parse_relay(TRACE.splitlines())[-1]
        self.assertEqual(exit_call.thread, 0x30)
        self.assertFalse(exit_call.returned)
        self.assertIsNone(exit_call.retval)

    def test_wide_strings_are_decoded_and_keep_their_address(self):
        box = parse_relay(TRACE.splitlines())[4]
        self.assertEqual(box.args[1], "びっくりした？")
        self.assertEqual(box.args[2], "By ピコリン")
        self.assertEqual(box.args[2].address, 0x41E0B2)
        self.assertTrue(box.matches(None, "びっくりした？", "By ピコリン", 0))
        self.assertFalse(box.matches(None, "びっくりした", "By ピコリン", 0))

    def test_nested_calls_of_the_same_function_return_innermost_first(self):
        lines = [
            "1.000:0024:Call user32.SendMessageA(00000001,000000a1,00000002,00000000) ret=00401000",
            "1.001:0024:Call user32.SendMessageA(00000002,00000010,00000000,00000000) ret=00402000",
            "1.002:0024:Ret  user32.SendMessageA() retval=00000005 ret=00402000",
            "1.003:0024:Ret  user32.SendMessageA() retval=00000007 ret=00401000",
        ]
        outer, inner = parse_relay(lines)
        self.assertEqual((outer.retval, inner.retval), (7, 5))

    def test_lines_without_timestamp_or_with_a_process_id(self):
        calls = parse_relay([
            "0024:Call user32.ExitWindowsEx(00000008,00000000) ret=00401956",
            "12.5:0020:0024:Call user32.ExitWindowsEx(00000002,00000000) ret=00401956",
        ])
        self.assertIsNone(calls[0].time)
        self.assertEqual([c.args for c in calls], [[8, 0], [2, 0]])
        self.assertEqual(calls[1].thread, 0x24)

    def test_a_line_after_another_librarys_unfinished_message(self):
        # Without a sound card ALSA's messages share stderr and may end without a newline.
        calls = parse_relay([
            "ALSA lib conf.c:5180:(_snd_config_evaluate) function snd_func_refer returned error:"
            " No such file or directory33816.252:0024:Call gdi32.Rectangle(13010069,000000be,"
            "00000090,000000be,00000090) ret=004055ab",
            "ALSA lib conf.c:5703:(snd_config_expand) 33816.252:0024:Ret  gdi32.Rectangle()"
            " retval=00000001 ret=004055ab",
        ])
        self.assertEqual([(c.name, c.args, c.retval) for c in calls],
                         [("gdi32.Rectangle", [0x13010069, 0xBE, 0x90, 0xBE, 0x90], 1)])
        self.assertAlmostEqual(calls[0].time, 33816.252)
        self.assertEqual(calls[0].thread, 0x24)


class LoadAddressTest(unittest.TestCase):
    def test_the_program_where_wine_loaded_it_natively_or_relocated_in_a_child(self):
        native = ['3.1:0024:trace:loaddll:build_module Loaded L"Z:\\\\app\\\\tickbomb.exe" '
                  'at 00400000: native']
        # Wine 10 under an emulator: the launcher runs start.exe, which starts the
        # program again in a process of its own, at another address.
        relocated = [
            '2927.009:0024:trace:loaddll:build_module Loaded L"C:\\\\windows\\\\system32\\\\'
            'start.exe" at 00110000: builtin',
            '2927.577:0124:trace:loaddll:build_module Loaded L"Z:\\\\w\\\\notickbomb.exe" '
            'at 00130000: native',
            '2927.577:0124:trace:loaddll:build_module Loaded L"Z:\\\\w\\\\app\\\\TickBomb.exe" '
            'at 00120000: native']
        self.assertEqual(load_addresses(native, "tickbomb.exe"), [0x400000])
        self.assertEqual(load_addresses(relocated, "tickbomb.exe"), [0x120000])
        self.assertEqual(load_addresses(TRACE.splitlines(), "tickbomb.exe"), [])


class ArgumentTest(unittest.TestCase):
    def test_split_ignores_commas_inside_strings(self):
        self.assertEqual(split_args('00000001,0041e0c4 L"a,b\\"c",00000000'),
                         ["00000001", '0041e0c4 L"a,b\\"c"', "00000000"])
        self.assertEqual(split_args(""), [])

    def test_ansi_strings_are_shift_jis(self):
        self.assertEqual(parse_arg('0040a000 "SeShutdownPrivilege"'), "SeShutdownPrivilege")
        # "秒" is 95 62 in Shift-JIS; Wine escapes the byte above 0x7f.
        self.assertEqual(decode_string("\\x95b", wide=False), "秒")

    def test_escapes(self):
        self.assertEqual(decode_string("a\\nb\\t\\\\\\\"", wide=True), 'a\nb\t\\"')
        self.assertEqual(decode_string("\\3000\\4e2d", wide=True), "\u3000中")
        self.assertEqual(parse_arg('L"long text"...'), "long text")

    def test_words(self):
        self.assertEqual(parse_arg("fffffff0"), 0xFFFFFFF0)
        self.assertEqual(signed32(0xFFFFFFF0), -16)
        self.assertEqual(signed32(0x7FFFFFFF), 0x7FFFFFFF)


class InOrderTest(unittest.TestCase):
    def setUp(self):
        self.calls = parse_relay(TRACE.splitlines())

    def test_follows_the_expected_order(self):
        seq = InOrder(self.calls)
        seq.next("winmm.PlaySoundA", None, 0, 7)
        get = seq.next("KERNEL32.GetWindowLongA".replace("KERNEL32", "user32"), None, -16)
        seq.next("user32.SetWindowLongA", get.args[0], -16, get.retval & 0xFF30FFFF)
        self.assertEqual([c.name for c in seq.remaining()],
                         ["user32.MessageBoxW", "user32.ExitWindowsEx"])

    def test_fails_on_other_arguments_or_a_call_out_of_order(self):
        with self.assertRaisesRegex(AssertionError, "expected user32.SetWindowLongA"):
            InOrder(self.calls).next("user32.SetWindowLongA", None, -16, 0x04CF0000)
        seq = InOrder(self.calls)
        seq.next("user32.SetWindowLongA")
        with self.assertRaisesRegex(AssertionError, "no call kernel32.GetVersionExA"):
            seq.next("kernel32.GetVersionExA")

    def test_skip_passes_over_calls_that_do_not_match(self):
        seq = InOrder(self.calls)
        self.assertEqual(seq.next("user32.ExitWindowsEx", 1, 0, skip=True).thread, 0x30)
        with self.assertRaises(AssertionError):
            InOrder(self.calls).next("user32.ExitWindowsEx", 2, 0, skip=True)


class RelayLogTest(unittest.TestCase):
    def test_rereads_the_growing_file_and_leaves_a_half_written_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "relay.log")
            log = RelayLog(path)
            self.assertEqual(log.calls(), [])
            with open(path, "w") as f:
                f.write(TRACE.splitlines()[2] + "\n" + "701.254:0024:Call KERNEL32.GetVersi")
            self.assertEqual([c.name for c in log.calls()], ["winmm.PlaySoundA"])
            with open(path, "a") as f:
                f.write("onExA(0065fdbc) ret=00401ee3\n")
            self.assertEqual(len(log.calls("kernel32.GetVersionExA")), 1)
            self.assertEqual(len(log.wait_for("winmm.PlaySoundA", timeout=0.1)), 1)
            with self.assertRaisesRegex(AssertionError, "waited"):
                log.wait_for("user32.ExitWindowsEx", timeout=0.1)


if __name__ == "__main__":
    unittest.main()
