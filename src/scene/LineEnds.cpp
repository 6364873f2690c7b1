#include "scene/LineEnds.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "scene/SceneText.h"

namespace kelvane {

namespace {

struct TLineEndCount {
    size_t cr = 0;
    size_t lf = 0;
    bool pairsOnly = true;  // every CR is followed by LF and every LF preceded by CR
};

// Set bits of a 16-bit block mask. Line ends are sparse, and without the processor's popcount
// instruction in the target set __builtin_popcount is a library call.
inline size_t SparseBitCount(unsigned mask)
{
    size_t bits = 0;
    for (; mask; mask &= mask - 1)
        ++bits;
    return bits;
}

TLineEndCount CountLineEnds(const char* text, size_t n)
{
    TLineEndCount c;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    unsigned carry = 0;  // a CR ended the previous block
#ifdef __SSE2__
    const __m128i vcr = _mm_set1_epi8('\r');
    const __m128i vlf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned mcr = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vcr)));
        const unsigned mlf = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vlf)));
        if ((mcr | mlf) == 0) {
            if (carry)
                c.pairsOnly = false;
            carry = 0;
            continue;
        }
        c.cr += SparseBitCount(mcr);
        c.lf += SparseBitCount(mlf);
        if ((((mcr << 1) | carry) & 0xFFFFu) != mlf)
            c.pairsOnly = false;
        carry = (mcr >> 15) & 1u;
    }
#endif
    for (; i < n; ++i) {
        const bool isCr = p[i] == '\r';
        const bool isLf = p[i] == '\n';
        c.cr += isCr;
        c.lf += isLf;
        if (isLf != (carry != 0))
            c.pairsOnly = false;
        carry = isCr;
    }
    if (carry)
        c.pairsOnly = false;
    return c;
}

// LF alone: each becomes CR LF. dst has 32 bytes of room beyond the result.
char* WidenLineFeeds(const char* p, size_t n, char* dst)
{
    size_t i = 0;
#ifdef __SSE2__
    const __m128i vlf = _mm_set1_epi8('\n');
    // Blocks are read up to 16 bytes past their start, so the last 32 go one by one.
    for (; i + 32 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vlf)));
        if (m == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
            dst += 16;
            continue;
        }
        unsigned pos = 0;
        while (m) {
            const unsigned b = static_cast<unsigned>(__builtin_ctz(m));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + pos)));
            dst += b - pos;
            *dst++ = '\r';
            *dst++ = '\n';
            pos = b + 1;
            m &= m - 1;
        }
        if (pos < 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + pos)));
            dst += 16 - pos;
        }
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == '\n')
            *dst++ = '\r';
        *dst++ = p[i];
    }
    return dst;
}

} // namespace

void TLineEndWriter::Feed(const char* p, size_t n)
{
    if (afterCr_ && n > 0 && p[0] == '\n') {
        ++p;  // the LF of a CR LF split between two pieces
        --n;
    }
    if (n == 0)
        return;
    const TLineEndCount c = CountLineEnds(p, n);
    const size_t start = out_.size();
    out_.resize(start + n + c.cr + c.lf + 32);  // room for every end widened, and block stores
    char* const begin = out_.data();
    char* dst = begin + start;
    if (c.pairsOnly) {
        std::memcpy(dst, p, n);
        dst += n;
    } else if (c.cr == 0) {
        dst = WidenLineFeeds(p, n, dst);
    } else {
        bool afterCr = false;
        for (size_t i = 0; i < n; ++i) {
            const char ch = p[i];
            if (ch == '\r') {
                *dst++ = '\r';
                *dst++ = '\n';
                afterCr = true;
            } else if (ch == '\n') {
                if (!afterCr) {
                    *dst++ = '\r';
                    *dst++ = '\n';
                }
                afterCr = false;
            } else {
                *dst++ = ch;
                afterCr = false;
            }
        }
    }
    afterCr_ = p[n - 1] == '\r';
    out_.resize(static_cast<size_t>(dst - begin));
}

void TLineEndWriter::Finish()
{
    if (!out_.empty() && out_.back() != '\n')
        out_ += "\r\n";
}

std::string NormaliseLineEnds(std::string text)
{
    if (CountLineEnds(text.data(), text.size()).pairsOnly) {
        if (!text.empty() && text.back() != '\n')
            text += "\r\n";
        return text;
    }
    std::string out;
    ReserveLargeText(out, text.size() + text.size() / 16 + 64);
    TLineEndWriter writer(out);
    writer.Feed(text.data(), text.size());
    writer.Finish();
    return out;
}

} // namespace kelvane
