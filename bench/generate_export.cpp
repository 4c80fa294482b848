// generate_export: writes a large synthetic tab-delimited SPSS data export
// for benchmarking the converter.
//
// Usage: generate_export OUTFILE [--cases N] [--vars M] [--seed S]
//
// The first record holds the names V1..VM; every further record is one case.
// Fields are separated by tabs, records end with CR LF, decimals are written
// with a decimal comma. The output depends only on N, M and S.
//
// Column j (1-based) has the kind (j - 1) % 10:
//   0  Likert item 1..5, missing code 9
//   1  age 18..90
//   2  income 0,00..999999,99
//   3  count 0..99999999
//   4  measurement 10,0000..99,9999
//   5  signed score -9999,999..9999,999
//   6  year 1900..2024
//   7  identifier 10000000..99999999
//   8  proportion 0,000000..0,999999
//   9  amount 0..999999, missing code -1
// About 1 field in 100 is empty and about 1 in 200 holds a single blank.

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); the modulo bias is negligible for the small n used here.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
};

class Output {
public:
    Output(std::FILE* file, std::size_t capacity) : file_(file), buffer_(capacity) {}

    bool ok() const { return ok_; }

    // Ensures room for at least `bytes` more characters.
    void reserve(std::size_t bytes) {
        if (used_ + bytes > buffer_.size()) flush();
    }
    void put(char c) { buffer_[used_++] = c; }
    void put(std::string_view text) {
        std::memcpy(buffer_.data() + used_, text.data(), text.size());
        used_ += text.size();
    }
    // Writes value in decimal.
    void putUnsigned(std::uint64_t value) {
        char digits[20];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (n > 0) buffer_[used_++] = digits[--n];
    }
    // Writes value with exactly `width` digits, leading zeros kept.
    void putFixed(std::uint64_t value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            buffer_[used_ + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        used_ += static_cast<std::size_t>(width);
    }
    // Writes units / 10^decimals with a decimal comma.
    void putDecimal(std::uint64_t units, int decimals, std::uint64_t scale) {
        putUnsigned(units / scale);
        put(',');
        putFixed(units % scale, decimals);
    }
    void flush() {
        if (used_ != 0 && ok_) {
            if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) ok_ = false;
        }
        used_ = 0;
    }

private:
    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

void writeField(Output& out, SplitMix64& rng, unsigned kind) {
    std::uint64_t r = rng.below(1000);
    if (r < 10) return;                      // empty field
    if (r < 15) { out.put(' '); return; }    // blank-only field
    switch (kind) {
    case 0:
        if (r < 45) out.put('9');
        else out.put(static_cast<char>('1' + rng.below(5)));
        break;
    case 1:
        out.putUnsigned(18 + rng.below(73));
        break;
    case 2:
        out.putDecimal(rng.below(100000000), 2, 100);
        break;
    case 3:
        out.putUnsigned(rng.below(100000000));
        break;
    case 4:
        out.putDecimal(100000 + rng.below(900000), 4, 10000);
        break;
    case 5:
        if (rng.next() & 1) out.put('-');
        out.putDecimal(rng.below(10000000), 3, 1000);
        break;
    case 6:
        out.putUnsigned(1900 + rng.below(125));
        break;
    case 7:
        out.putUnsigned(10000000 + rng.below(90000000));
        break;
    case 8:
        out.putDecimal(rng.below(1000000), 6, 1000000);
        break;
    default:
        if (r < 35) out.put("-1");
        else out.putUnsigned(rng.below(1000000));
        break;
    }
}

bool parseCount(const char* text, std::uint64_t& value) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && end != text;
}

int usage() {
    std::fputs("usage: generate_export OUTFILE [--cases N] [--vars M] [--seed S]\n"
               "  defaults: --cases 1000000 --vars 50 --seed 1\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    std::uint64_t cases = 1000000;
    std::uint64_t vars = 50;
    std::uint64_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::uint64_t* target = nullptr;
        if (arg == "--cases") target = &cases;
        else if (arg == "--vars") target = &vars;
        else if (arg == "--seed") target = &seed;
        else if (arg == "-h" || arg == "--help") return usage();
        else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "generate_export: unknown option %s\n", argv[i]);
            return usage();
        } else if (path == nullptr) {
            path = argv[i];
            continue;
        } else {
            return usage();
        }
        if (i + 1 >= argc || !parseCount(argv[i + 1], *target)) {
            std::fprintf(stderr, "generate_export: %s needs a whole number\n", argv[i]);
            return usage();
        }
        ++i;
    }
    if (path == nullptr) return usage();
    if (vars < 1 || vars > 100000) {
        std::fputs("generate_export: --vars must be 1..100000\n", stderr);
        return 2;
    }

    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "generate_export: cannot create %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    Output out(file, std::size_t{8} << 20);

    for (std::uint64_t j = 1; j <= vars; ++j) {
        out.reserve(32);
        if (j > 1) out.put('\t');
        out.put('V');
        out.putUnsigned(j);
    }
    out.reserve(2);
    out.put("\r\n");

    SplitMix64 rng{seed};
    const std::size_t maxRecord = static_cast<std::size_t>(vars) * 16 + 2;
    for (std::uint64_t c = 0; c < cases && out.ok(); ++c) {
        out.reserve(maxRecord);
        for (std::uint64_t j = 0; j < vars; ++j) {
            if (j > 0) out.put('\t');
            writeField(out, rng, static_cast<unsigned>(j % 10));
        }
        out.put("\r\n");
    }
    out.flush();
    bool ok = out.ok();
    if (std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "generate_export: error writing %s\n", path);
        return 1;
    }
    return 0;
}
