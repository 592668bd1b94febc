"""Tests of the comparison harness: reading each program's digits, finding
where they part, and the table. Run: python3 -m unittest bench/compare/test_compare.py"""

import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import compare  # noqa: E402

# The first 120 decimal places of pi, from the literature.
PLACES = ("141592653589793238462643383279502884197169399375105820974944592307816406286"
          "208998628034825342117067982148086513282306647")


def pi_data_text(places):
    """pi_data.txt as calvorn lays it out: header, fifty digits a line in groups
    of ten, an empty line after every thousandth digit, CR LF line ends."""
    out, line = ["PI=3.\r\n\r\n"], ""
    for count, digit in enumerate(places, start=1):
        line += digit
        if count % 10 == 0:
            line += " "
        if len(line) >= 54:
            out.append(line[:54] + "\r\n")
            line = ""
        if count % 1000 == 0:
            out.append("\r\n")
    out.append(line + "\r\n")
    return "".join(out)


class ReadingDigits(unittest.TestCase):
    def test_size_labels(self):
        self.assertEqual(compare.places_of("16K"), 16384)
        self.assertEqual(compare.places_of("1M"), 1 << 20)
        self.assertEqual(compare.places_of("32M"), 1 << 25)
        for bad in ("3M", "64M", "1m", "8K", ""):
            with self.assertRaises(ValueError):
                compare.places_of(bad)

    def test_calvorn_layout_round_trip(self):
        # 2345 places: full lines, two empty lines after thousands, a partial last line.
        places = (PLACES * 20)[:2345]
        text = pi_data_text(places)
        self.assertIn("\r\n\r\n", text[10:])
        self.assertEqual(compare.calvorn_places(text), places)
        self.assertEqual(compare.calvorn_places(pi_data_text(PLACES[:50])), PLACES[:50])

    def test_headers_are_checked(self):
        with self.assertRaises(ValueError):
            compare.calvorn_places("PI=2.\r\n\r\n1415926535\r\n")
        with self.assertRaises(ValueError):
            compare.plain_places("31415926535\n")
        self.assertEqual(compare.plain_places("3." + PLACES + "\n"), PLACES)

    def test_program_output_is_cut_to_the_places_asked_for(self):
        work = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, work)
        (work / "pi.txt").write_text("3." + PLACES + "\n")
        self.assertEqual(compare.Program("cln", "pi").read_places(work, 100), PLACES[:100])
        with self.assertRaises(ValueError):
            compare.Program("mpfr", "mpfr_pi").read_places(work, 200)
        (work / "pi_data.txt").write_text(pi_data_text(PLACES[:100]))
        with self.assertRaises(ValueError):  # calvorn writes exactly its size, no more, no less
            compare.Program("calvorn", "calvorn").read_places(work, 99)
        # A second calvorn build runs and reads like calvorn under its own name.
        baseline = compare.Program("baseline", "old/calvorn", kind="calvorn")
        self.assertEqual(baseline.command("1M", 1048576), ["old/calvorn", "1M"])
        self.assertEqual(baseline.read_places(work, 100), PLACES[:100])

    def test_common_prefix_across_chunks(self):
        a = "7" * 200000
        self.assertEqual(compare.common_prefix_length(a, a), 200000)
        self.assertEqual(compare.common_prefix_length(a, a[:123]), 123)
        for where in (0, 1, 65535, 65536, 65537, 199999):
            b = a[:where] + "8" + a[where + 1:]
            self.assertEqual(compare.common_prefix_length(a, b), where)


class Agreement(unittest.TestCase):
    def cells(self, **places):
        cells = {}
        for name, digits in places.items():
            cells[name] = compare.Cell(places=digits)
        return cells

    def test_a_wrong_digit_is_located(self):
        wrong = PLACES[:99] + "0"
        cells = self.cells(calvorn=wrong, mpfr=PLACES[:100], cln=PLACES[:100])
        compare.check_agreement(cells, 100)
        self.assertEqual([cells[n].agree for n in ("calvorn", "mpfr", "cln")], [99, 100, 100])

    def test_a_wrong_reference_is_passed_over(self):
        # MPFR's output is wrong from place 3: Arb's becomes the reference.
        cells = self.cells(mpfr="14" + "0" * 98, arb=PLACES[:100], calvorn=PLACES[:100])
        compare.check_agreement(cells, 100)
        self.assertEqual([cells[n].agree for n in ("mpfr", "arb", "calvorn")], [2, 100, 100])

    def test_table_shows_ratios_failures_and_mismatches(self):
        calvorn = compare.Cell(runs=[compare.Run(4.0, 3.9, 2048, 1, True), compare.Run(6.0, 5.9, 4096, 1, True),
                                     compare.Run(0.1, 0.1, 1024, 1, False, "exit 1")], agree=1 << 20)
        mpfr = compare.Cell(runs=[compare.Run(1.0, 1.0, 1024, 1, True)], agree=12)
        arb = compare.Cell(runs=[compare.Run(0.2, 0.2, 1024, 3, False)])
        table = compare.format_table({"1M": {"calvorn": calvorn, "mpfr": mpfr, "arb": arb}}, 3)
        rows = {line.split()[0]: line for line in table.splitlines() if line.startswith("  ") and "-" * 5 not in line}
        self.assertIn("5.00", rows["calvorn"])  # median of the good runs only
        self.assertIn("4.0", rows["calvorn"])  # the larger peak, 4096 KiB
        self.assertIn("1 failed", rows["calvorn"])
        self.assertIn(" 5.00 ", rows["mpfr"])  # calvorn / mpfr, wall
        self.assertIn(" 4.90 ", rows["mpfr"])  # and cpu
        self.assertIn("differ at place 13", rows["mpfr"])
        self.assertIn("no output", rows["arb"])
        self.assertEqual(rows["arb"].split()[1:5], ["-", "-", "-", "-"])


@unittest.skipUnless(os.path.exists("/usr/bin/time"), "GNU time is not installed")
class Measuring(unittest.TestCase):
    def test_exit_code_threads_and_peak(self):
        work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, work)
        env = dict(os.environ)
        code, wall, _, peak, threads = compare.run_measured(["sh", "-c", "exit 3"], work, Path(work) / "o", env)
        self.assertEqual(code, 3)
        self.assertLess(peak, 16 * 1024)  # not this script's own size
        script = ("import threading, time\n"
                  "t = [threading.Thread(target=time.sleep, args=(0.4,)) for _ in range(3)]\n"
                  "[x.start() for x in t]; [x.join() for x in t]\n"
                  "b = bytearray(64 << 20)\n")
        code, wall, _, peak, threads = compare.run_measured([sys.executable, "-c", script], work,
                                                            Path(work) / "o", env)
        self.assertEqual(code, 0)
        self.assertGreaterEqual(wall, 0.4)
        self.assertEqual(threads, 4)
        self.assertGreater(peak, 64 * 1024)


if __name__ == "__main__":
    unittest.main()
