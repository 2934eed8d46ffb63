"""_Karvelin under Python 2.7: the interpreter's own types and errors."""
import sys
import unittest

import _Karvelin as K

BUILT = ["CheckOS", "CheckIeVersion", "FindServerVersion", "GetErrorDescription"]


class ModuleTest(unittest.TestCase):
    def test_namespace_holds_the_functions_and_nothing_else(self):
        own = [name for name in dir(K) if not name.startswith("__")]
        self.assertEqual(sorted(own), sorted(BUILT))
        self.assertEqual(K.__doc__, None)

    def test_no_argument_functions_refuse_arguments(self):
        for name in ["CheckOS", "CheckIeVersion", "FindServerVersion"]:
            self.assertRaises(TypeError, getattr(K, name), 1)

    def test_release_checks_without_windows(self):
        if sys.platform == "win32":
            return
        self.assertEqual(K.CheckOS(), 236798225)
        self.assertEqual(K.CheckIeVersion(), 236798228)
        self.assertEqual(K.FindServerVersion(), 0)
        self.assertTrue(type(K.CheckOS()) is int)

    def test_get_error_description(self):
        for code, text in [(0, "0"), (236798225, "236798225"), (-1, "4294967295")]:
            self.assertEqual(K.GetErrorDescription(code), text)
            self.assertTrue(type(K.GetErrorDescription(code)) is str)
        self.assertRaises(OverflowError, K.GetErrorDescription, 2147483648)
        self.assertRaises(TypeError, K.GetErrorDescription, "1")


if __name__ == "__main__":
    unittest.main()
