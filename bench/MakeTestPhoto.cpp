// make_test_photo WIDTH HEIGHT OUT.ppm: a picture with what makes photographs costly to
// compress and decode: smooth gradients, edges and fine noise. The same every run.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_test_photo WIDTH HEIGHT OUT.ppm\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    FILE* out = std::fopen(argv[3], "wb");
    if (!out || width <= 0 || height <= 0)
        return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    std::mt19937 random(42);
    std::normal_distribution<double> noise(0.0, 6.0);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double sky = 120 + 100 * v + 20 * std::sin(u * 17 + v * 5);
            const bool hill = v > 0.55 + 0.1 * std::sin(u * 9) + 0.03 * std::sin(u * 70);
            const double r = hill ? 60 + 50 * std::sin(u * 40) * std::cos(v * 30) : sky * 0.6;
            const double g = hill ? 110 + 40 * std::sin(u * 23 + v * 11) : sky * 0.8;
            const double b = hill ? 40 + 20 * std::cos(u * 55) : sky;
            const double n = noise(random);
            unsigned char* p = &row[static_cast<size_t>(x) * 3];
            p[0] = static_cast<unsigned char>(std::clamp(r + n, 0.0, 255.0));
            p[1] = static_cast<unsigned char>(std::clamp(g + n, 0.0, 255.0));
            p[2] = static_cast<unsigned char>(std::clamp(b + n, 0.0, 255.0));
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
