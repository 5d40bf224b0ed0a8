#include "support/media_fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <numbers>

namespace korivanta {

namespace {

void put16(QByteArray &out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void put32(QByteArray &out, quint32 value)
{
    put16(out, int(value & 0xffff));
    put16(out, int(value >> 16));
}

// LSB-first bit packing, as GIF's LZW stream wants it.
class BitWriter {
public:
    void write(int code, int width)
    {
        m_acc |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes.append(char(m_acc & 0xff));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_bytes.append(char(m_acc & 0xff));
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_acc = 0;
    int m_bits = 0;
};

} // namespace

QByteArray wavBytes(int milliseconds, double frequency)
{
    constexpr int rate = 22050;
    const int samples = rate * milliseconds / 1000;
    QByteArray data;
    data.reserve(samples * 2);
    for (int i = 0; i < samples; ++i)
        put16(data, int(std::lround(8000.0 * std::sin(2.0 * std::numbers::pi * frequency * i / rate))));

    QByteArray out("RIFF");
    put32(out, quint32(36 + data.size()));
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data");
    put32(out, quint32(data.size()));
    out.append(data);
    return out;
}

QByteArray gifBytes(int width, int height, const QList<GifFrame> &frames, std::optional<int> loopCount)
{
    QList<QRgb> palette;
    for (const GifFrame &f : frames) {
        if (!palette.contains(f.color.rgb()))
            palette.append(f.color.rgb());
    }
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;
    while (palette.size() < (1 << bits))
        palette.append(qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    put16(out, width);
    put16(out, height);
    out.append(char(0x80 | 0x70 | (bits - 1))); // global colour table of 2^bits entries
    out.append(char(0));                        // background colour index
    out.append(char(0));                        // pixel aspect ratio
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (loopCount) {
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        put16(out, *loopCount);
        out.append(char(0));
    }

    // A clear code before every pixel keeps the code table empty, so every
    // code is a palette index of the same width: valid LZW with no dictionary.
    const int minCodeSize = qMax(2, bits);
    const int clear = 1 << minCodeSize;
    const int width0 = minCodeSize + 1;
    for (const GifFrame &f : frames) {
        out.append("\x21\xf9\x04", 3);
        out.append(char(0x04)); // disposal: leave in place
        put16(out, f.delayMs / 10);
        out.append(char(0)); // no transparent colour
        out.append(char(0));

        out.append(char(0x2c));
        put16(out, 0);
        put16(out, 0);
        put16(out, width);
        put16(out, height);
        out.append(char(0)); // no local colour table, not interlaced

        BitWriter lzw;
        const int index = int(palette.indexOf(f.color.rgb()));
        for (int i = 0; i < width * height; ++i) {
            lzw.write(clear, width0);
            lzw.write(index, width0);
        }
        lzw.write(clear + 1, width0); // end of information
        const QByteArray codes = lzw.finish();

        out.append(char(minCodeSize));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3b));
    return out;
}

QByteArray bigCanvasGifBytes(int width, int height, int frames)
{
    QByteArray out("GIF89a");
    put16(out, width);
    put16(out, height);
    out.append("\x80\x00\x00", 3);             // a global colour table of two entries
    out.append("\x00\x00\x00\xff\xff\xff", 6); // black, white
    out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int i = 0; i < frames; ++i) {
        out.append("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8); // 100 ms
        out.append(char(0x2c));
        put16(out, i % width);
        put16(out, 0);
        put16(out, 1);
        put16(out, 1);
        out.append(char(0));
        // LZW, code size 2: clear, colour 0, end, in 3-bit codes.
        out.append("\x02\x02\x44\x01\x00", 5);
    }
    out.append(char(0x3b));
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace korivanta
