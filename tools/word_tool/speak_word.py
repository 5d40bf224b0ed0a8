"""Speaks one Aymara word into a WAV file with the game's synthetic voice.

    speak_word.py OUT.wav WORD GRAPHEME...

The graphemes are those of the game's keyboard; the word is split into them
and spoken exactly as the build speaks the game's own words (sounds.py, which
lies beside this script once installed, or in tools/assets/media/ of the
source tree).
"""
import shutil
import subprocess
import sys
import tempfile
import unicodedata
from pathlib import Path

HERE = Path(__file__).resolve().parent
for folder in (HERE, HERE.parent / "assets" / "media"):
    if (folder / "sounds.py").is_file():
        sys.path.insert(0, str(folder))
        break

import sounds  # noqa: E402


def nfc(text):
    return unicodedata.normalize("NFC", text)


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out, word, graphemes = Path(argv[1]), nfc(argv[2]), [nfc(g) for g in argv[3:]]
    tmp = tempfile.mkdtemp(prefix="korivanta-voz-")
    try:
        sounds.make_word(word, graphemes, out, tmp)
    except ValueError as e:
        print(e, file=sys.stderr)
        return 1
    except subprocess.CalledProcessError as e:
        print(f"{' '.join(map(str, e.cmd))}: {e.stderr.decode(errors='replace').strip()}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
