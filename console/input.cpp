#include "console/input.h"

#include <cstdio>
#include <cstdlib>

namespace agv {

namespace {

// A number is collected as its significant digits, where its point stands
// and its exponent, then written out in a short normal form for strtod, so
// that any length of input converts in fixed space. Digits beyond the kept
// ones only matter through whether one of them is not zero: a double's
// rounding boundaries (halfway between two neighbours) have at most 768
// significant decimal digits, or 15 hexadecimal ones, so a nonzero tail is
// replaced by one digit 1 past the kept ones.
constexpr int kKeptDecimalDigits = 800;
constexpr int kKeptHexDigits = 32;
// Exponents are held within these bounds; beyond them every value is
// already infinite or zero.
constexpr long long kExponentCap = 1000000000LL;
constexpr long long kWrittenExponentCap = 99999;

char digits[kKeptDecimalDigits];  // the significant digits kept, from the first nonzero one
int keptDigits = 0;
bool droppedNonzero = false;  // a nonzero digit beyond the kept ones
long long pointShift = 0;     // the point's place, in digits after the leading zeros
long long exponent = 0;       // the exponent as written, within kExponentCap
bool negativeExponent = false;
// "-0x0." + digits + "1" + "p-" + exponent + '\0'
char normalForm[5 + kKeptDecimalDigits + 1 + 2 + 20 + 1];

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(int c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int lowerCase(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// Reads the letters of word that follow the one already matched; false (with
// the mismatching character consumed) when one differs.
bool matchRest(const char* word) {
    for (; *word != '\0'; ++word) {
        const int c = nextInputChar();
        if (c == EOF || lowerCase(c) != *word) return false;
    }
    return true;
}

void addMantissaDigit(int c, bool afterPoint, int kept) {
    if (keptDigits == 0 && c == '0') {
        if (afterPoint) --pointShift;
        return;
    }
    if (keptDigits < kept) {
        digits[keptDigits++] = static_cast<char>(c);
    } else if (c != '0') {
        droppedNonzero = true;
    }
    if (!afterPoint) ++pointShift;
}

void addExponentDigit(int c) {
    if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
}

// Writes the collected number as [-]0.DIGITSeN or [-]0x0.DIGITSpN and
// converts it: the digits moved by pointShift and the exponent (binary after
// 0x, four to a hexadecimal digit).
double convertCollected(bool negative, bool hex) {
    char* out = normalForm;
    if (negative) *out++ = '-';
    *out++ = '0';
    if (keptDigits == 0) {
        *out = '\0';
        return std::strtod(normalForm, nullptr);
    }
    if (hex) *out++ = 'x';
    *out++ = '0';
    *out++ = '.';
    for (int i = 0; i < keptDigits; ++i) *out++ = digits[i];
    if (droppedNonzero) *out++ = '1';
    long long total = (hex ? 4 : 1) * pointShift + (negativeExponent ? -exponent : exponent);
    if (total > kWrittenExponentCap) total = kWrittenExponentCap;
    if (total < -kWrittenExponentCap) total = -kWrittenExponentCap;
    std::snprintf(out, static_cast<std::size_t>(normalForm + sizeof normalForm - out), "%c%lld",
                  hex ? 'p' : 'e', total);
    return std::strtod(normalForm, nullptr);
}

// inf, infinity or nan after an optional sign, the first letter read; false
// with the characters read consumed when the word is cut short.
bool readWord(int first, bool negative, double* value) {
    const char* text = nullptr;
    if (lowerCase(first) == 'n') {
        if (!matchRest("an")) return false;
        text = negative ? "-nan" : "nan";
    } else {
        if (!matchRest("nf")) return false;
        const int c = nextInputChar();
        if (lowerCase(c) == 'i') {
            if (!matchRest("nity")) return false;
        } else {
            pushBackInputChar(c);
        }
        text = negative ? "-inf" : "inf";
    }
    *value = std::strtod(text, nullptr);
    return true;
}

// One "%lf" conversion: 1 when it converted into *value, 0 when the input
// does not hold a number there, EOF at end of input before the number.
int scanNumber(double* value) {
    int c;
    do {
        c = nextInputChar();
    } while (isSpace(c));
    if (c == EOF) return EOF;
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        c = nextInputChar();
        if (c == EOF) return 0;
    }
    if (lowerCase(c) == 'n' || lowerCase(c) == 'i') return readWord(c, negative, value) ? 1 : 0;

    keptDigits = 0;
    droppedNonzero = false;
    pointShift = 0;
    exponent = 0;
    negativeExponent = false;
    bool collected = false;  // a character after the sign (and after 0x)
    bool hex = false;
    bool gotDigit = false;
    bool gotPoint = false;
    bool gotExponent = false;
    bool exponentJustStarted = false;  // the last character was the exponent's letter
    if (c == '0') {
        c = nextInputChar();
        if (lowerCase(c) == 'x') {
            hex = true;
            c = nextInputChar();
        } else {
            collected = gotDigit = true;
        }
    }
    // Taken: digits (hexadecimal ones after 0x, up to the exponent), one point
    // before the exponent, the exponent's letter after a digit and a sign
    // right after that letter. The first other character is given back. An
    // exponent without digits counts as absent.
    const int kept = hex ? kKeptHexDigits : kKeptDecimalDigits;
    const int exponentLetter = hex ? 'p' : 'e';
    for (;; c = nextInputChar()) {
        const bool startsExponent = exponentJustStarted;
        exponentJustStarted = false;
        if (gotExponent && isDigit(c)) {
            addExponentDigit(c);
        } else if (isDigit(c) || (hex && !gotExponent && isHexDigit(c))) {
            addMantissaDigit(c, gotPoint, kept);
            gotDigit = true;
        } else if (startsExponent && (c == '-' || c == '+')) {
            negativeExponent = c == '-';
        } else if (gotDigit && !gotExponent && lowerCase(c) == exponentLetter) {
            gotExponent = gotPoint = exponentJustStarted = true;
        } else if (!gotPoint && c == '.') {
            gotPoint = true;
        } else {
            pushBackInputChar(c);
            break;
        }
        collected = true;
    }
    // Nothing after the sign or after 0x is no number, nor is a point without a
    // digit; but "0x." is 0 (the digit 0 before the x).
    if (!collected || !(hex || gotDigit)) return 0;
    *value = convertCollected(negative, hex);
    return 1;
}

void dropRestOfLine() {
    int c;
    do {
        c = nextInputChar();
    } while (c != '\n' && c != EOF);
}

}  // namespace

int readNumbers(int count, double* values) {
    startInputRead();
    int converted = 0;
    while (converted < count) {
        const int result = scanNumber(&values[converted]);
        if (result == EOF && converted == 0) leaveAtEndOfInput();
        if (result != 1) break;
        ++converted;
    }
    dropRestOfLine();
    return converted;
}

}  // namespace agv
