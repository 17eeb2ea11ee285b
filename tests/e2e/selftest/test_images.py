"""Pixel checks on small made-up pictures, and finding the committed pictures."""

import os
import sys
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness import images  # noqa: E402

PINK = (255, 192, 255)


def picture(size, colour, dots=()):
    image = Image.new("RGB", size, colour)
    for xy, dot in dots:
        image.putpixel(xy, dot)
    return image


class ColourTest(unittest.TestCase):
    def test_all_colour_fails_on_one_other_pixel_and_on_nothing(self):
        self.assertTrue(images.all_colour(picture((4, 3), PINK), PINK))
        self.assertFalse(images.all_colour(picture((4, 3), PINK, [((3, 2), (0, 0, 0))]), PINK))
        self.assertFalse(images.all_colour(picture((4, 3), PINK).crop((2, 2, 2, 2)), PINK))
        self.assertTrue(images.all_colour(picture((2, 2), (250, 190, 255)), PINK, tolerance=5))

    def test_changed_to_counts_only_pixels_the_reference_lacks(self):
        scene = picture((5, 5), (0, 0, 40), [((0, 0), (255, 255, 255))])
        shot = picture((5, 5), (0, 0, 40), [((0, 0), (255, 255, 255)), ((1, 1), (255, 255, 255)),
                                            ((2, 2), (255, 255, 254))])
        self.assertEqual(images.changed_to(shot, scene, (255, 255, 255)), 1)
        self.assertEqual(images.changed_to(shot, scene, (255, 255, 255), tolerance=1), 2)
        self.assertEqual(images.count_colour(shot, (255, 255, 255)), 2)

    def test_difference(self):
        a = picture((3, 2), (10, 20, 30))
        b = picture((3, 2), (10, 20, 30), [((1, 1), (13, 20, 30))])
        self.assertEqual(images.difference(a, a), (0, 0.0))
        worst, share = images.difference(a, b)
        self.assertEqual(worst, 3)
        self.assertAlmostEqual(share, 1 / 6)
        with self.assertRaises(ValueError):
            images.difference(a, picture((2, 3), (0, 0, 0)))


class CommittedPicturesTest(unittest.TestCase):
    def test_pictures_are_found_through_the_resource_script(self):
        path = images.resource_file("IDB_BOMB")
        self.assertTrue(os.path.isfile(path), path)
        self.assertTrue(path.startswith(os.path.join(images.REPO, "assets")))
        self.assertEqual(images.load_picture("IDB_BOMB").size, (65, 95))
        with self.assertRaises(FileNotFoundError):
            images.resource_file("IDB_NO_SUCH_PICTURE")


if __name__ == "__main__":
    unittest.main()
