"""MovraModule demo: runs the engine on a generated sample image and writes the results.

Usage: python3 demo/demo.py OUTPUT_FOLDER
"""

import sys
from pathlib import Path

import numpy as np


def make_sample_image(width=640, height=480):
    """A colour test card: gradients, a disc, a square and stripes, so every filter shows."""
    y, x = np.mgrid[0:height, 0:width]
    img = np.zeros((height, width, 3), np.uint8)
    img[..., 0] = (x * 255 // (width - 1)).astype(np.uint8)  # blue ramp left to right
    img[..., 1] = (y * 255 // (height - 1)).astype(np.uint8)  # green ramp top to bottom
    img[..., 2] = 96
    disc = (x - width * 0.3) ** 2 + (y - height * 0.5) ** 2 < (height * 0.22) ** 2
    img[disc] = (40, 40, 230)
    img[height // 4 : height * 3 // 4, width * 6 // 10 : width * 9 // 10] = (250, 250, 250)
    img[(y // 16) % 2 == 0] //= 2
    return img


def run_engine(movra, out: Path):
    engine = movra.MovraEngine()
    engine.SetMat(make_sample_image())
    written = []

    def save(name):
        path = out / name
        ok = engine.SaveImage(str(path))
        written.append((name, ok, engine.GetImageSize()))

    save("sample.png")
    engine.GaussianBlur(5, 1.5)
    save("sample_blur.png")
    edges = engine.Canny(50, 150)
    engine.ConvertToGray()
    save("sample_grey.png")
    engine.SetMat(edges)
    save("sample_canny.png")
    engine.SetMat(make_sample_image())
    engine.Resize(320, 0)
    save("sample_half.png")
    for name, ok, size in written:
        print(f"  {name:18s} {size[1]}x{size[0]}x{size[2]}  {'written' if ok else 'NOT written'}")
    return all(ok for _, ok, _ in written)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "demo-output").resolve()
    out.mkdir(parents=True, exist_ok=True)
    import MovraModule as movra

    print(f"MovraModule {movra.__version__}: engine results in {out}")
    ok = run_engine(movra, out)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
