"""The images of a folder in natural order (\"part 2\" before \"part 10\"), and the next or
previous one from a given file. Window-free."""

import os
import re

# Every format the module reads, by file extension (lower case).
IMAGE_EXTENSIONS = frozenset(
    ["jpg", "jpeg", "jpe", "png", "tif", "tiff", "bmp", "dib", "webp", "heic", "heif", "hif",
     "avif", "jxl", "jp2", "pbm", "pgm", "ppm", "pnm", "pxm", "sr", "ras", "exr", "hdr", "pic"]
)

_DIGITS = re.compile(r"(\d+)")


def natural_key(name):
    """Sort key comparing runs of digits by value and the rest without case, so that "img2"
    comes before "IMG10"; ties fall back to the name itself, so the order is total."""
    parts = _DIGITS.split(name)
    key = tuple((0, int(p), len(p)) if i % 2 else (1, p.casefold(), 0)
                for i, p in enumerate(parts) if p)
    return key, name


def is_image_name(name):
    ext = os.path.splitext(name)[1][1:].lower()
    return ext in IMAGE_EXTENSIONS


def image_files(folder):
    """Paths of the image files in `folder` (not its subfolders), in natural order; hidden
    files are left out. OSError when the folder cannot be listed."""
    names = []
    with os.scandir(folder) as it:
        for entry in it:
            if entry.name.startswith(".") or not is_image_name(entry.name):
                continue
            try:
                if entry.is_file():
                    names.append(entry.name)
            except OSError:
                continue
    return [os.path.join(folder, n) for n in sorted(names, key=natural_key)]


def neighbour(path, step):
    """The image `step` places after (negative: before) `path` in its folder, or None at the
    end, when the folder cannot be read or holds no other image. A path that is no longer in
    the folder still finds its place by name."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        files = image_files(folder)
    except OSError:
        return None
    name = os.path.basename(path)
    names = [os.path.basename(f) for f in files]
    if name in names:
        i = names.index(name) + step
    else:
        key = natural_key(name)
        after = sum(1 for n in names if natural_key(n) < key)
        i = after + step if step < 0 else after + step - 1
    if 0 <= i < len(files) and files[i] != os.path.join(folder, name):
        return files[i]
    return None
