"""The game's sounds, spoken by espeak-ng's Spanish voice and tidied with sox:

- grafemario/<grapheme>.wav: each of the 32 keyboard graphemes on its own;
- sonido/instrucciones/adivinar_palabra.wav: the spoken instructions;
- sonido/bien.wav: a short chime and the praise;
- sonido/palabras/<nom_ay>.wav: every Aymara word of the word list (the
  sound of a word that left the list is removed).

The Spanish voice has no aspirated, glottalised or uvular consonants, so every
Aymara sound is given to it as phoneme mnemonics ([[...]]) built by rule from
the grapheme's spelling:
  a final "'" (p', ch', q') adds a glottal stop after the stop: a closed, tight
  release and a short silence before a hard vowel onset;
  a final "h" after a stop (ph, chh, qh) adds a breathy h after the release;
  a diaeresis (ä, ï, ü) holds the vowel long;
  q and x use the synthesiser's uvular phonemes, whose noise lies lower than
  that of k and j;
  i and u next to a uvular are lowered to e and o, as Aymara speakers say them.

Every file is 16-bit PCM mono WAV at espeak-ng's 22050 Hz, trimmed of leading
and trailing silence, faded at both ends, normalised and padded. No dither and
no time stamps: two runs write byte-identical files.
"""
import concurrent.futures
import csv
import json
import os
import shutil
import subprocess
import tempfile
import unicodedata
from pathlib import Path

VOICE = "es"
RATE = 22050

# The phoneme mnemonics of the plain graphemes; the aspirated, glottalised and
# long ones are built from these by the rules above.
PLAIN = {
    "p": "p", "t": "t", "k": "k", "ch": "tS", "q": "q",
    "s": "s", "j": "x", "x": "X",
    "l": "l", "ll": "l^", "m": "m", "n": "n", "\u00f1": "n^", "r": "*",
    "w": "w", "y": "j",
    "a": "a", "i": "i", "u": "u",
}
STOPS = {"p", "t", "k", "ch", "q"}
UVULARS = {"q", "x"}
VOWELS = {"a", "i", "u"}
LOWERED = {"i": "e", "u": "o"}  # mnemonics of the lowered vowels
DIAERESIS = "\u0308"

# Words per minute: the graphemes and words slowly and clearly, sentences a
# little faster.
GRAPHEME_SPEED = 120
WORD_SPEED = 125
SENTENCE_SPEED = 150
# Lengthened vowels are said at this speed, which holds them about twice as long.
LONG_VOWEL_SPEED = 60

INSTRUCTIONS = ("\u00a1Hola! Mira el dibujo y escribe la palabra en aymara. "
                "Pulsa las letras del teclado del c\u00f3ndor.")
PRAISE = "\u00a1Muy bien! \u00a1Jallalla!"
# The chime before the praise: a rising major arpeggio, (Hz, seconds).
CHIME = [(1046.5, 0.09), (1318.5, 0.09), (1568.0, 0.09), (2093.0, 0.22)]


class Sound:
    """What one grapheme is made of: its base letter and its modifiers."""

    def __init__(self, grapheme):
        g = unicodedata.normalize("NFD", grapheme)
        self.long = g.endswith(DIAERESIS)
        g = unicodedata.normalize("NFC", g.rstrip(DIAERESIS))
        self.glottal = g.endswith("'") and len(g) > 1
        g = g.rstrip("'") if self.glottal else g
        self.aspirated = g.endswith("h") and g[:-1] in STOPS
        g = g[:-1] if self.aspirated else g
        if g not in PLAIN:
            raise ValueError(f"no pronunciation for grapheme {grapheme!r}")
        self.base = g
        if (self.glottal or self.aspirated) and g not in STOPS:
            raise ValueError(f"grapheme {grapheme!r}: only stops take ' or h")
        if self.long and g not in VOWELS:
            raise ValueError(f"grapheme {grapheme!r}: only vowels are lengthened")

    @property
    def vowel(self):
        return self.base in VOWELS

    @property
    def uvular(self):
        return self.base in UVULARS

    def phonemes(self, lowered=False):
        p = LOWERED.get(self.base, PLAIN[self.base]) if lowered else PLAIN[self.base]
        if self.aspirated:
            p += "h"
        if self.glottal:
            p += "?"
        if self.long:
            p += ":"
        return p


def graphemes_of(tables):
    keys = json.loads(Path(tables).read_text(encoding="utf-8"))["keys"]
    return [unicodedata.normalize("NFC", k["grapheme"]) for k in keys]


def split_word(word, graphemes):
    """The word's graphemes, taking the longest one that fits at each place."""
    longest_first = sorted(graphemes, key=len, reverse=True)
    parts, i = [], 0
    while i < len(word):
        g = next((g for g in longest_first if word.startswith(g, i)), None)
        if g is None:
            raise ValueError(f"word {word!r}: no grapheme at {word[i:]!r}")
        parts.append(g)
        i += len(g)
    return parts


def word_phonemes(word, graphemes):
    """Phoneme mnemonics for a word: stress on the second-to-last syllable (its
    vowel), i and u lowered next to a uvular consonant."""
    sounds = [Sound(g) for g in split_word(word, graphemes)]
    vowels = [i for i, s in enumerate(sounds) if s.vowel]
    stressed = vowels[-2] if len(vowels) >= 2 else (vowels[0] if vowels else None)
    out = []
    for i, s in enumerate(sounds):
        lowered = s.vowel and any(0 <= j < len(sounds) and sounds[j].uvular for j in (i - 1, i + 1))
        if i == stressed:
            out.append("'")
        out.append(s.phonemes(lowered))
    return "".join(out)


def grapheme_phonemes(grapheme):
    """A grapheme on its own: a vowel alone, a consonant followed by a stressed
    "a" (next to a uvular the "a" stays "a")."""
    s = Sound(grapheme)
    if s.vowel:
        return "'" + s.phonemes()
    return s.phonemes() + "'a"


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def tidy_args(pad_before=0.04, pad_after=0.08):
    """sox effects: trim silence at both ends, short fades, peak at -1 dBFS."""
    return ["silence", "1", "0.005", "0.3%", "reverse", "silence", "1", "0.005", "0.3%",
            "fade", "0.015", "reverse", "fade", "0.004",
            "gain", "-n", "-1", "pad", str(pad_before), str(pad_after)]


def sox(inputs, output, effects):
    # -R: repeatable; -D: no dither, so the output depends on the input only.
    run(["sox", "-R", "-D", "-V1", *map(str, inputs), "-r", str(RATE), "-c", "1", "-b", "16",
         "-e", "signed-integer", str(output), *effects])


def speak(text, wav, speed):
    run(["espeak-ng", "-v", VOICE, "-s", str(speed), "-w", str(wav), text])


def make_spoken(text, speed, output, tmp):
    raw = Path(tmp) / (output.name + ".raw.wav")
    speak(text, raw, speed)
    sox([raw], output, tidy_args())
    raw.unlink()


def make_praise(output, tmp):
    tmp = Path(tmp)
    notes = []
    for n, (freq, length) in enumerate(CHIME):
        note = tmp / f"chime{n}.wav"
        # The note and its octave in two channels, mixed down to one.
        run(["sox", "-R", "-D", "-V1", "-r", str(RATE), "-c", "2", "-n", "-c", "1", "-b", "16", str(note),
             "synth", str(length), "sine", str(freq), "sine", str(freq * 2),
             "remix", "1v0.8,2v0.2", "fade", "q", "0.005", str(length), str(length * 0.6), "gain", "-n", "-10"])
        notes.append(note)
    voice = tmp / "praise_voice.wav"
    make_spoken(PRAISE, SENTENCE_SPEED, voice, tmp)
    gap = tmp / "gap.wav"
    run(["sox", "-R", "-D", "-V1", "-n", "-r", str(RATE), "-c", "1", "-b", "16", str(gap), "trim", "0", "0.12"])
    sox([*notes, gap, voice], output, ["gain", "-n", "-1"])


def make_grapheme(grapheme, output, tmp):
    s = Sound(grapheme)
    speed = LONG_VOWEL_SPEED if s.long else GRAPHEME_SPEED
    make_spoken(f"[[{grapheme_phonemes(grapheme)}]]", speed, output, tmp)


def make_word(word, graphemes, output, tmp):
    make_spoken(f"[[{word_phonemes(word, graphemes)}]]", WORD_SPEED, output, tmp)


def words_of(words):
    with open(words, newline="", encoding="utf-8") as f:
        return [unicodedata.normalize("NFC", row["nom_ay"]) for row in csv.DictReader(f)]


def make(tables, words, out):
    out = Path(out)
    graphemes = graphemes_of(tables)
    grafemario = out / "grafemario"
    palabras = out / "sonido" / "palabras"
    instrucciones = out / "sonido" / "instrucciones"
    for folder in (grafemario, palabras, instrucciones):
        folder.mkdir(parents=True, exist_ok=True)

    tmp = tempfile.mkdtemp(prefix="korivanta-sounds-")
    try:
        jobs = []
        # Each job gets its own scratch folder: file names never collide.
        def job(fn, *args):
            sub = Path(tmp) / str(len(jobs))
            sub.mkdir()
            jobs.append((fn, (*args, sub)))

        for g in graphemes:
            job(make_grapheme, g, grafemario / f"{g}.wav")
        spoken = sorted(set(words_of(words)))
        for w in spoken:
            job(make_word, w, graphemes, palabras / f"{w}.wav")
        # A word that left the list takes its sound with it: the package
        # installs the whole folder.
        for old in palabras.glob("*.wav"):
            if old.stem not in spoken:
                old.unlink()
        job(make_spoken, INSTRUCTIONS, SENTENCE_SPEED, instrucciones / "adivinar_palabra.wav")
        job(make_praise, out / "sonido" / "bien.wav")

        workers = max(2, min(8, 2 * (os.cpu_count() or 1)))
        with concurrent.futures.ThreadPoolExecutor(workers) as pool:
            for f in [pool.submit(fn, *args) for fn, args in jobs]:
                f.result()
    except subprocess.CalledProcessError as e:
        raise RuntimeError(f"{' '.join(e.cmd)} failed: {e.stderr.decode(errors='replace')}") from e
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
