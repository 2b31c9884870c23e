#include <cstdio>

int main() {
    std::fprintf(stderr,
                 "usage: vantrel-render [--tempo F] [--pitch F] [--rate F] [--semitones N] --out "
                 "OUT.wav FILE\n");
    return 2;
}
