#!/usr/bin/python3
"""Makes the pictures stored with the game window: the 32 key pictures and
their grey copies, the grapheme chart, the hit and miss signs and the
completion panel. Every position and size comes from the layout tables
(--tables); the drawings are SVG written here (and the landscape under
assets/pictures/), rendered by rsvg-convert and written as BMP. The keys are
laid over the window's scene (--scene, the background picture), cut at each
key's place. Every picture is made twice from the same drawing: at the size
the windows name and, as <name>@2x.bmp, at twice that size over the scene's
own @2x copy, for screens of device pixel ratio 2."""
import argparse
import json
import pathlib
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "common"))
sys.dont_write_bytecode = True  # no __pycache__ among the step's own sources

import chart  # noqa: E402
import keys  # noqa: E402
import raster  # noqa: E402
import signs  # noqa: E402
import svgkit  # noqa: E402

ASSETS = HERE.parents[2] / "assets" / "pictures"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tables", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--scene", required=True, help="the game window's background picture")
    args = ap.parse_args()
    tables = json.loads(pathlib.Path(args.tables).read_text(encoding="utf-8"))
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    svgkit.check_fonts()

    ink = svgkit.Ink()
    ink.prefetch(keys.runs(tables["keys"]) + chart.runs(tables) + signs.runs(tables))

    scenes = {scale: raster.Picture.read(raster.at_scale(args.scene, scale)) for scale in raster.SCALES}
    tpp = tables["twipsPerPixel"]

    # The keys are drawn on two sheets (coloured, grey), cut apart and laid
    # over the scene under each key; the larger pictures are rendered on their
    # own; all side by side.
    sheets = {False: [], True: []}
    for i, key in enumerate(tables["keys"]):
        for grey in (False, True):
            name = f"key_{i:02d}" + ("_grey" if grey else "")
            sheets[grey].append((name, key["pictureWidth"], key["pictureHeight"],
                                 keys.key_svg(ink, key, used=grey, ids=f"k{i}{'g' if grey else ''}")))
    singles = [("chart", chart.chart_svg(ink, tables, ASSETS)),
               ("jisaw", signs.jisaw_svg(ink, tables)),
               ("janiw", signs.janiw_svg(ink, tables)),
               ("panel", signs.panel_svg(ink, tables))]

    with tempfile.TemporaryDirectory(prefix="korivanta-pictures-") as tmp:
        tmp = pathlib.Path(tmp)

        def single(name, svg, scale):
            png = tmp / f"{name}@{scale}.png"
            svgkit.render_png(svg, png, zoom=scale)
            svgkit.to_bmp24(png, raster.at_scale(out / (name + ".bmp"), scale))

        def key_sheet(grey, scale):
            drawings = svgkit.render_sheet(sheets[grey], zoom=scale)
            for i, key in enumerate(tables["keys"]):
                name = f"key_{i:02d}" + ("_grey" if grey else "")
                w, h = key["pictureWidth"], key["pictureHeight"]
                x, y = raster.px(key["left"], tpp), raster.px(key["top"], tpp)
                ground = scenes[scale].crop(scale * x, scale * y, scale * w, scale * h)
                picture = keys.on_scene(key, drawings[name], ground, scale)
                target = raster.at_scale(out / (name + ".bmp"), scale)
                if grey:
                    picture.write_grey_bmp(target)
                else:
                    picture.write_bmp24(target)

        jobs = [lambda grey=grey, s=s: key_sheet(grey, s) for grey in sheets for s in raster.SCALES]
        jobs += [lambda n=n, svg=svg, s=s: single(n, svg, s) for n, svg in singles for s in raster.SCALES]
        svgkit.parallel(jobs)

if __name__ == "__main__":
    sys.exit(main())
