"""The Python module over the library, as a script would use it."""

import os
import subprocess
import tempfile
import threading
import unittest

import numpy

import varnelo

PHOTO = os.environ.get("VARNELO_TEST_PHOTO",
                       "/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg")
CONVERTER = os.environ.get("VARNELO_CONVERT")


@unittest.skipUnless(os.path.exists(PHOTO), "python-matplotlib-data's photo is not installed")
class FromAFile(unittest.TestCase):
    def setUp(self):
        self.picture = varnelo.open(PHOTO)

    def test_outputs_are_the_converters(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, convert in (("plain-html", self.picture.to_html), ("rtf", self.picture.to_rtf),
                                  ("ansi", self.picture.to_ansi), ("text", self.picture.to_text)):
                made = convert(mode="symbols", fit=(60, 30), colors="256").encode(
                    "utf-8" if name in ("ansi", "text") else "cp1252")
                output = os.path.join(folder, "out")
                subprocess.run([CONVERTER, "-m", "symbols", "--fit", "60x30", "--colors", "256",
                                "-f", name, PHOTO, "-o", output], check=True)
                with open(output, "rb") as written:
                    self.assertEqual(made, written.read(), name)

    def test_the_file_and_its_bytes_tell_one_size(self):
        with open(PHOTO, "rb") as photo:
            from_bytes = varnelo.from_bytes(photo.read())
        width, height = self.picture.size
        self.assertEqual(from_bytes.size, (width, height))
        self.assertGreater(min(width, height), 100)

    def test_cells_hold_the_text_and_its_colours(self):
        cells = self.picture.cells(fit="60x30")
        self.assertLessEqual(cells.columns, 60)
        self.assertEqual(cells.rows, 30)
        lines = cells.text().split("\n")
        self.assertEqual(len(lines), 30)
        text, ink, background = cells.cell(0, 0)
        self.assertEqual(text, lines[0][0])
        self.assertTrue(0 <= ink <= 0xFFFFFF and 0 <= background <= 0xFFFFFF)
        with self.assertRaises(IndexError):
            cells.cell(cells.columns, 0)

    def test_an_image_and_a_file_are_written(self):
        self.assertTrue(self.picture.to_image("png", width=30).startswith(b"\x89PNG\r\n\x1a\n"))
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "photo.jpg")
            self.picture.save(path, width=30)
            with open(path, "rb") as written:
                self.assertEqual(written.read(3), b"\xff\xd8\xff")

    def test_a_job_tells_progress_and_cancels(self):
        told = []
        job = varnelo.Job(progress=lambda done, total: told.append((done, total)))
        self.picture.cells(job, mode="binary", width=100)
        self.assertEqual(told[-1][0], told[-1][1])
        job = varnelo.Job(progress=lambda done, total: job.cancel())
        with self.assertRaises(varnelo.VarneloError) as raised:
            self.picture.cells(job, mode="binary", width=100)
        self.assertEqual(raised.exception.kind, "cancelled")

    def test_conversions_on_threads_agree(self):
        alone = self.picture.to_ansi(mode="symbols", width=50)
        made = [None] * 4

        def convert(index):
            made[index] = self.picture.to_ansi(mode="symbols", width=50)

        threads = [threading.Thread(target=convert, args=(index,)) for index in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(made, [alone] * 4)


class FromMemory(unittest.TestCase):
    def test_an_array_of_each_shape_gives_its_colours(self):
        red_blue = numpy.zeros((32, 64, 3), numpy.uint8)
        red_blue[:, :32] = (255, 0, 0)
        red_blue[:, 32:] = (0, 0, 255)
        rgba = numpy.dstack([red_blue, numpy.full((32, 64), 255, numpy.uint8)])
        for array, left, right in ((red_blue, 0xFF0000, 0x0000FF), (rgba, 0xFF0000, 0x0000FF),
                                   (red_blue[:, ::-1], 0x0000FF, 0xFF0000),
                                   (red_blue[:, :, 0], 0xFFFFFF, 0x000000)):
            picture = varnelo.from_array(array)
            self.assertEqual(picture.size, array.shape[1::-1])
            cells = picture.cells(width=4, height=2)
            self.assertEqual(cells.cell(0, 0)[2], left)
            self.assertEqual(cells.cell(3, 1)[2], right)
        for refused in (numpy.zeros((4, 4, 2), numpy.uint8), numpy.ones((4, 4, 3))):
            with self.assertRaises(ValueError):
                varnelo.from_array(refused)

    def test_a_png_in_bytes_is_read_by_the_librarys_own_modules(self):
        png = varnelo.from_array(numpy.full((8, 8, 3), 200, numpy.uint8)).to_image("png", width=8)
        cells = varnelo.from_bytes(png).cells(width=2, height=1)
        self.assertEqual((cells.columns, cells.rows), (2, 1))

    def test_failures_raise_with_the_librarys_words(self):
        picture = varnelo.from_array(numpy.zeros((4, 4, 3), numpy.uint8))
        for call, kind, words in (
                (lambda: picture.cells(mode="nonsense"), "setting", "invalid value 'nonsense'"),
                (lambda: picture.cells(colour="red"), "setting", "unknown setting 'colour'"),
                (lambda: varnelo.open("/nonexistent/photo.jpg"), "read", "No such file"),
                (lambda: varnelo.from_bytes(b"hello"), "picture", "not a BMP"),
                (lambda: picture.to_html(mode="text"), "setting", "needs a phrase")):
            with self.assertRaises(varnelo.VarneloError) as raised:
                call()
            self.assertEqual(raised.exception.kind, kind)
            self.assertIn(words, str(raised.exception))


if __name__ == "__main__":
    unittest.main()
