"""_Karvelin under Python 2.7: the interpreter's own types and errors."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import _Karvelin as K
from case_table import ARGUMENT_ERRORS, BUILT, CASES, CODES, LOGIC, SAMPLES, STUB, SUMMARIES, TABLE, sample_args


# The Python 3 stub's answers, which 2.7 answers alike.
with open(STUB) as stub:
    ANSWERS = dict(re.findall(r"^def (\w+)\(.*\) -> (.+): \.\.\.$", stub.read(), re.MULTILINE))


class ModuleTest(unittest.TestCase):
    def test_namespace_holds_the_functions_and_nothing_else(self):
        own = [name for name in dir(K) if not name.startswith("__")]
        self.assertEqual(sorted(own), sorted(BUILT))
        self.assertTrue(K.__doc__.startswith("Karvelin, installation utilities"))
        for name, _, arguments in TABLE:  # the signature line, then the summary
            doc = "%s(%s)\n\n%s" % (name, ", ".join(arguments.lower().split()), SUMMARIES[name])
            self.assertEqual(getattr(K, name).__doc__, doc)

    def test_registers_with_the_interpreters_own_api_version(self):
        # Any other number makes 2.5 to 2.7 warn at import: here an error.
        code = subprocess.call([sys.executable, "-W", "error", "-c", "import _Karvelin"])
        self.assertEqual(code, 0)

    def test_each_function_takes_its_sample_and_answers_its_stub_type(self):
        folder = tempfile.mkdtemp()
        try:
            for name in BUILT:  # a text buffer: a string of the test's own, never a shared one
                args = sample_args(name, folder, lambda text: ("y" + text)[1:])
                result = getattr(K, name)(*args)
                kinds = {"int": int, "str": str, "None": type(None), "Optional[AnyStr]": (str, type(None))}
                self.assertTrue(type(result) is not bool and isinstance(result, kinds[ANSWERS[name]]), (name, result))
        finally:
            shutil.rmtree(folder)

    def test_trim_writes_into_the_string_object(self):
        # The rows a str can carry: strings of 0 and 1 characters are shared
        # ones, refused before, and a str argument holds no NUL.
        for row in [row for row in CASES.trim if len(row.text) > 1 and "\0" not in row.text]:
            for function, after in [(K.TrimRight, row.after_right), (K.TrimLeft, row.after_left)]:
                # A string object of this test's own, never a shared literal.
                text = (" " + row.text)[1:]
                same = text
                self.assertEqual(function(text), None)
                self.assertTrue(text is same)
                self.assertEqual(text, after[:len(row.text)], row)

    def test_text_buffers_must_be_strings_of_the_callers_own(self):
        # The shared one-character string and the interned names of the argument errors.
        with_blank = ("x" + " ")[1:]  # the shared one-character string itself
        self.assertRaises(ValueError, K.TrimRight, with_blank)
        self.assertEqual(with_blank, " ")
        # Trimmed once, the str holds the NULs after its text: a text argument refuses it.
        twice = ("x" + "  ab  ")[1:]
        K.TrimLeft(twice)
        self.assertRaises(TypeError, K.TrimRight, twice)

    def test_argument_errors(self):
        for name, args, error, message in ARGUMENT_ERRORS:
            with self.assertRaises(error) as raised:
                getattr(K, name)(*args)
            self.assertTrue(str(raised.exception).startswith(message), (name, args, raised.exception))

    def test_logic_rows(self):
        for name, rows, case in LOGIC:  # no lead bytes here
            for row in rows:
                args, expected = case(row)
                self.assertEqual(getattr(K, name)(*args), expected, row)

    def test_record_buffers_are_filled_or_refused_whole(self):
        # A str's own terminating byte may take the list's NUL, never a record.
        for function, answer, nul in [(K.GetHostIPAddr, None, False), (K.GetAddress, 0, True)]:
            full = ("y" + "\x01" * 65536)[1:]
            self.assertEqual(function(full), answer)
            need = full.index("\0") if nul else full.index("\x01")
            # Strings of 0 and 1 characters are shared ones, refused before.
            for length in range(2, need + 3):
                text = ("y" + "\x01" * length)[1:]
                if length < need:
                    with self.assertRaises(ValueError) as raised:
                        function(text)
                    self.assertTrue("needs a string of %d characters, not %d" % (need, length)
                                    in str(raised.exception))
                    self.assertEqual(text, "\x01" * length)
                else:
                    self.assertEqual(function(text), answer)
                    self.assertEqual(text, full[:length])

    def test_trim_sweeps_every_string_length(self):
        # Strings of 0 and 1 characters are shared ones, refused before; a str
        # argument holds no NUL.
        for length in range(2, 9):
            text = "  ab  zz"[:length]
            for function, kept in [(K.TrimRight, text.rstrip(" ")), (K.TrimLeft, text.lstrip(" "))]:
                own = ("y" + text)[1:]
                function(own)
                self.assertEqual(own, kept + "\0" * (len(text) - len(kept)))

    def test_copy_the_file_and_del_files_and_dir(self):
        base = tempfile.mkdtemp()
        try:
            source, tree = os.path.join(base, "source.txt"), os.path.join(base, "tree")
            os.makedirs(os.path.join(tree, "sub"))
            open(source, "wb").write("abc")
            self.assertEqual(K.CopyTheFile(source, os.path.join(tree, "sub", "copy.txt")), 1)
            self.assertEqual(open(os.path.join(tree, "sub", "copy.txt"), "rb").read(), "abc")
            self.assertEqual(K.DelFilesAndDir(tree), None)
            self.assertFalse(os.path.exists(tree))
        finally:
            shutil.rmtree(base)

    def test_recode(self):
        plain, encoded = SAMPLES["Recode"][0], SAMPLES["Decode"][0]  # the table's; they undo each other
        self.assertEqual(K.Recode(plain, 3), encoded)
        self.assertEqual(K.Decode(encoded + "x", 7), plain)
        self.assertEqual(K.Recode("", 0), "")
        plain = "".join(chr(i) for i in range(1, 256))
        self.assertEqual(K.Decode(K.Recode(plain, len(plain)), 2 * len(plain)), plain)


if __name__ == "__main__":
    unittest.main()
