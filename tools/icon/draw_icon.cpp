// Draws the application icon and writes it as a Windows .ico file with six
// images (256, 128, 48, 32, 24 and 16 pixels, 32 bits per pixel). The 256
// image is stored as PNG, as Windows expects for that size, and so is the 128
// one: as a DIB it alone would take 66 KiB of the program, and every Windows
// the program runs on (7 and later) reads PNG icon images of any size. The
// small ones stay bottom-up DIBs with an AND mask. Run by the build, so the icon is made
// from this source alone:  draw_icon <output.ico>
//
// The picture: a thermometer on a rounded blue tile, drawn as signed
// distance shapes and supersampled for smooth edges.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba {
    double r, g, b, a;
};

using Bytes = std::vector<std::uint8_t>;

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

// Signed distances in the unit square (0..1 both ways, y downwards).
double RoundedBox(double x, double y, double cx, double cy, double hw, double hh, double radius)
{
    double qx = std::fabs(x - cx) - hw + radius;
    double qy = std::fabs(y - cy) - hh + radius;
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double Circle(double x, double y, double cx, double cy, double radius) { return std::hypot(x - cx, y - cy) - radius; }

Rgba Over(Rgba under, Rgba top)
{
    double a = top.a + under.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double t, double u) { return (t * top.a + u * under.a * (1 - top.a)) / a; };
    return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), a};
}

Rgba Shade(double x, double y)
{
    Rgba pixel{0, 0, 0, 0};
    if (RoundedBox(x, y, 0.5, 0.5, 0.46, 0.46, 0.12) < 0) {
        double t = y; // a gentle top-to-bottom gradient
        pixel = Over(pixel, {0.13 + 0.05 * (1 - t), 0.36 + 0.12 * (1 - t), 0.72 + 0.10 * (1 - t), 1});
    }
    // Glass: stem and bulb, white with a dark outline.
    double stem = RoundedBox(x, y, 0.5, 0.40, 0.085, 0.28, 0.085);
    double bulb = Circle(x, y, 0.5, 0.72, 0.15);
    double glass = std::min(stem, bulb);
    if (glass < 0.03)
        pixel = Over(pixel, {0.10, 0.13, 0.20, 1});
    if (glass < 0)
        pixel = Over(pixel, {0.97, 0.97, 0.97, 1});
    // Mercury: the bulb and a column up to the reading.
    double column = RoundedBox(x, y, 0.5, 0.50, 0.04, 0.20, 0.04);
    double mercury = std::min(column, Circle(x, y, 0.5, 0.72, 0.105));
    if (mercury < 0)
        pixel = Over(pixel, {0.86, 0.16, 0.14, 1});
    // Scale marks on the right of the stem.
    for (int mark = 0; mark < 4; ++mark) {
        double my = 0.20 + mark * 0.09;
        if (RoundedBox(x, y, 0.66, my, 0.05, 0.012, 0.01) < 0)
            pixel = Over(pixel, {0.97, 0.97, 0.97, 1});
    }
    return pixel;
}

// The picture at size x size, straight (non-premultiplied) RGBA, top row first.
Bytes Render(int size)
{
    constexpr int Samples = 4;
    Bytes rgba(static_cast<std::size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    Rgba s = Shade((px + (sx + 0.5) / Samples) / size, (py + (sy + 0.5) / Samples) / size);
                    r += s.r * s.a;
                    g += s.g * s.a;
                    b += s.b * s.a;
                    a += s.a;
                }
            }
            std::uint8_t* out = &rgba[(static_cast<std::size_t>(py) * size + px) * 4];
            double alpha = a / (Samples * Samples);
            out[0] = static_cast<std::uint8_t>(std::lround(255 * Clamp01(a > 0 ? r / a : 0)));
            out[1] = static_cast<std::uint8_t>(std::lround(255 * Clamp01(a > 0 ? g / a : 0)));
            out[2] = static_cast<std::uint8_t>(std::lround(255 * Clamp01(a > 0 ? b / a : 0)));
            out[3] = static_cast<std::uint8_t>(std::lround(255 * alpha));
        }
    }
    return rgba;
}

void Put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Put32Big(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PngChunk(Bytes& png, const char* type, const Bytes& data)
{
    Put32Big(png, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    Put32Big(png, Crc32(typed.data(), typed.size()));
}

// Writes bits least significant first, as deflate packs them.
struct BitWriter {
    Bytes bytes;
    std::uint32_t pending = 0;
    int count = 0;

    void Bits(std::uint32_t value, int n)
    {
        pending |= value << count;
        count += n;
        while (count >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(pending));
            pending >>= 8;
            count -= 8;
        }
    }
    // Huffman codes go most significant bit first.
    void Code(std::uint32_t code, int n)
    {
        std::uint32_t reversed = 0;
        for (int i = 0; i < n; ++i)
            reversed |= ((code >> i) & 1u) << (n - 1 - i);
        Bits(reversed, n);
    }
    void Flush()
    {
        if (count > 0)
            bytes.push_back(static_cast<std::uint8_t>(pending));
        pending = 0;
        count = 0;
    }
};

// A literal or length symbol in deflate's fixed Huffman code.
void FixedSymbol(BitWriter& out, int symbol)
{
    if (symbol < 144)
        out.Code(0x30 + static_cast<std::uint32_t>(symbol), 8);
    else if (symbol < 256)
        out.Code(0x190 + static_cast<std::uint32_t>(symbol - 144), 9);
    else if (symbol < 280)
        out.Code(static_cast<std::uint32_t>(symbol - 256), 7);
    else
        out.Code(0xC0 + static_cast<std::uint32_t>(symbol - 280), 8);
}

void FixedMatch(BitWriter& out, int length, int distance)
{
    static constexpr std::array<int, 29> LengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                                       15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr std::array<int, 29> LengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr std::array<int, 30> DistanceBase = {1,   2,   3,   4,    5,    7,    9,    13,    17,    25,
                                                         33,  49,  65,  97,   129,  193,  257,  385,   513,   769,
                                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static constexpr std::array<int, 30> DistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (LengthBase[static_cast<std::size_t>(l)] > length)
        --l;
    FixedSymbol(out, 257 + l);
    out.Bits(static_cast<std::uint32_t>(length - LengthBase[static_cast<std::size_t>(l)]),
             LengthExtra[static_cast<std::size_t>(l)]);
    int d = 29;
    while (DistanceBase[static_cast<std::size_t>(d)] > distance)
        --d;
    out.Code(static_cast<std::uint32_t>(d), 5);
    out.Bits(static_cast<std::uint32_t>(distance - DistanceBase[static_cast<std::size_t>(d)]),
             DistanceExtra[static_cast<std::size_t>(d)]);
}

// A zlib stream of one fixed-Huffman deflate block with greedy LZ77 matches
// found through a hash of the next three bytes: small and dependency-free,
// and the flat areas of the picture compress well with it.
Bytes Zlib(const Bytes& raw)
{
    constexpr int Window = 32768, MinMatch = 3, MaxMatch = 258, MaxChain = 64;
    constexpr std::size_t HashSize = 1 << 15;
    std::vector<int> head(HashSize, -1);
    std::vector<int> previous(raw.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((raw[i] << 10) ^ (raw[i + 1] << 5) ^ raw[i + 2]) & (HashSize - 1);
    };
    auto insert = [&](std::size_t i) {
        if (i + MinMatch <= raw.size()) {
            std::size_t h = hash(i);
            previous[i] = head[h];
            head[h] = static_cast<int>(i);
        }
    };

    BitWriter out;
    out.Bits(1, 1); // the final block
    out.Bits(1, 2); // fixed Huffman codes
    std::size_t i = 0;
    while (i < raw.size()) {
        int bestLength = 0, bestDistance = 0;
        if (i + MinMatch <= raw.size()) {
            int candidate = head[hash(i)];
            for (int chain = 0; candidate >= 0 && chain < MaxChain; ++chain) {
                int distance = static_cast<int>(i) - candidate;
                if (distance > Window)
                    break;
                int length = 0;
                while (length < MaxMatch && i + static_cast<std::size_t>(length) < raw.size() &&
                       raw[static_cast<std::size_t>(candidate + length)] == raw[i + static_cast<std::size_t>(length)])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                }
                candidate = previous[static_cast<std::size_t>(candidate)];
            }
        }
        if (bestLength >= MinMatch) {
            FixedMatch(out, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k)
                insert(i + static_cast<std::size_t>(k));
            i += static_cast<std::size_t>(bestLength);
        } else {
            FixedSymbol(out, raw[i]);
            insert(i);
            ++i;
        }
    }
    FixedSymbol(out, 256); // end of block
    out.Flush();

    Bytes zlib{0x78, 0x01};
    zlib.insert(zlib.end(), out.bytes.begin(), out.bytes.end());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32Big(zlib, (b << 16) | a);
    return zlib;
}

Bytes EncodePng(const Bytes& rgba, int size)
{
    Bytes raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0); // filter: none
        auto row = rgba.begin() + static_cast<std::ptrdiff_t>(y) * size * 4;
        raw.insert(raw.end(), row, row + size * 4);
    }
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32Big(header, static_cast<std::uint32_t>(size));
    Put32Big(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, no interlace
    PngChunk(png, "IHDR", header);
    PngChunk(png, "IDAT", Zlib(raw));
    PngChunk(png, "IEND", {});
    return png;
}

// BITMAPINFOHEADER with the doubled height of an icon image, BGRA rows
// bottom-up, then a 1-bit AND mask (rows padded to 32 bits).
Bytes EncodeDib(const Bytes& rgba, int size)
{
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, static_cast<std::uint32_t>(size));
    Put32(dib, static_cast<std::uint32_t>(size * 2));
    Put16(dib, 1);
    Put16(dib, 32);
    for (int i = 0; i < 6; ++i)
        Put32(dib, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            dib.insert(dib.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    int maskRow = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(maskRow), 0);
        for (int x = 0; x < size; ++x)
            if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        dib.insert(dib.end(), row.begin(), row.end());
    }
    return dib;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_icon <output.ico>\n");
        return 2;
    }
    constexpr std::array<int, 6> Sizes = {256, 128, 48, 32, 24, 16};
    constexpr int SmallestPngImage = 128;
    std::vector<Bytes> images;
    for (int size : Sizes) {
        Bytes rgba = Render(size);
        images.push_back(size >= SmallestPngImage ? EncodePng(rgba, size) : EncodeDib(rgba, size));
    }
    Bytes ico;
    Put16(ico, 0);
    Put16(ico, 1); // icon
    Put16(ico, static_cast<std::uint32_t>(Sizes.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(Sizes.size());
    for (std::size_t i = 0; i < Sizes.size(); ++i) {
        ico.push_back(static_cast<std::uint8_t>(Sizes[i] & 0xFF)); // 0 means 256
        ico.push_back(static_cast<std::uint8_t>(Sizes[i] & 0xFF));
        ico.push_back(0); // no palette
        ico.push_back(0);
        Put16(ico, 1);  // planes
        Put16(ico, 32); // bits per pixel
        Put32(ico, static_cast<std::uint32_t>(images[i].size()));
        Put32(ico, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images)
        ico.insert(ico.end(), image.begin(), image.end());
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(ico.data(), 1, ico.size(), file) != ico.size() || std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
