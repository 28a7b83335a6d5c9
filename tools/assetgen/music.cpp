// pimo-music: synthesises the game's background loop and writes it as a WAV file
// (44.1 kHz, 16-bit stereo).
//   pimo-music <output.wav>
// Eight bars at 120 beats a minute, exactly 16 seconds. Every note has a smooth
// attack and release, and the last eighth is a rest in which everything has
// finished sounding, so the loop starts and ends on silence: restarting it, or
// the few milliseconds of silence an MP3 encoder adds, cannot click.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "little_endian.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = 0.25;  // an eighth note at 120 beats a minute, in seconds
constexpr int kBars = 8;
constexpr int kStepsPerBar = 8;
constexpr int kSteps = kBars * kStepsPerBar;
constexpr size_t kFrames = size_t(kSteps * kStep * kRate);
constexpr double kRelease = 0.04;

double frequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

struct Mix {
    std::vector<double> left = std::vector<double>(kFrames);
    std::vector<double> right = std::vector<double>(kFrames);
};

// Adds one note: `voice(t)` is the raw sound at t seconds after its start, shaped
// here by a raised-cosine attack and a raised-cosine release after `length`.
template <typename Voice>
void addNote(Mix& mix, double start, double length, double attack, double gain, double pan,
             Voice voice) {
    const double end = std::min(start + length + kRelease, kSteps * kStep);
    const double leftGain = gain * std::cos((pan + 1) * kPi / 4);
    const double rightGain = gain * std::sin((pan + 1) * kPi / 4);
    const size_t first = size_t(std::ceil(start * kRate));
    const size_t last = std::min(size_t(end * kRate), kFrames);
    for (size_t i = first; i < last; ++i) {
        const double t = double(i) / kRate - start;
        double envelope = 1.0;
        if (t < attack) envelope *= 0.5 - 0.5 * std::cos(kPi * t / attack);
        const double untilEnd = end - double(i) / kRate;
        if (untilEnd < kRelease) envelope *= 0.5 - 0.5 * std::cos(kPi * untilEnd / kRelease);
        const double sample = envelope * voice(t);
        mix.left[i] += leftGain * sample;
        mix.right[i] += rightGain * sample;
    }
}

// A soft mallet: a sine with a short-lived second and fourth partial.
void bell(Mix& mix, int step, int steps, int midi) {
    const double f = frequency(midi);
    addNote(mix, step * kStep, steps * kStep, 0.004, 0.20, 0.25, [f](double t) {
        return std::exp(-t / 0.7) *
               (std::sin(2 * kPi * f * t) + 0.30 * std::exp(-t / 0.08) * std::sin(4 * kPi * f * t) +
                0.08 * std::exp(-t / 0.03) * std::sin(8 * kPi * f * t));
    });
}

// Electric-piano stab: two-operator FM whose brightness dies away quickly.
void stab(Mix& mix, int step, int midi) {
    const double f = frequency(midi);
    addNote(mix, step * kStep, 0.6 * kStep, 0.003, 0.07, -0.35, [f](double t) {
        const double index = 1.3 * std::exp(-t / 0.06);
        return std::exp(-t / 0.25) * std::sin(2 * kPi * f * t + index * std::sin(2 * kPi * f * t));
    });
}

void bass(Mix& mix, int step, int steps, int midi) {
    const double f = frequency(midi);
    addNote(mix, step * kStep, steps * kStep - 0.02, 0.008, 0.30, 0.0, [f](double t) {
        const double body = std::sin(2 * kPi * f * t) + 0.25 * std::sin(4 * kPi * f * t) +
                            0.1 * std::exp(-t / 0.05) * std::sin(6 * kPi * f * t);
        return std::tanh(1.3 * body) * std::exp(-t / 0.6);
    });
}

void kick(Mix& mix, int step) {
    addNote(mix, step * kStep, 0.18, 0.002, 0.32, 0.0, [](double t) {
        // The pitch falls from 110 Hz towards 45 Hz; the phase is its integral.
        const double phase = 2 * kPi * (45 * t + 65 * 0.03 * (1 - std::exp(-t / 0.03)));
        return std::exp(-t / 0.09) * std::sin(phase);
    });
}

uint32_t noiseState = 12345;
double noise() {
    noiseState = noiseState * 1664525u + 1013904223u;
    return double(noiseState >> 8) / double(1u << 23) - 1.0;
}

void shaker(Mix& mix, int step, double gain) {
    // Differenced noise: only the hiss, no rumble.
    std::vector<double> grain(size_t(0.1 * kRate));
    double previous = 0;
    for (double& g : grain) {
        const double n = noise();
        g = n - previous;
        previous = n;
    }
    addNote(mix, step * kStep, 0.05, 0.002, gain, 0.4, [&grain](double t) {
        const size_t i = std::min(size_t(t * kRate), grain.size() - 1);
        return std::exp(-t / 0.02) * grain[i];
    });
}

struct Chord {
    int root;
    std::vector<int> notes;
};

void compose(Mix& mix) {
    // C, Am, F, G, C, Am, Dm7, G7; the G7 leads back to the C at the top.
    const Chord chords[kBars] = {
        {36, {60, 64, 67}}, {45, {60, 64, 69}}, {41, {60, 65, 69}},     {43, {59, 62, 67}},
        {36, {60, 64, 67}}, {45, {60, 64, 69}}, {38, {60, 62, 65, 69}}, {43, {59, 62, 65, 67}},
    };
    // Melody as (step, length in steps, note).
    const int melody[][3] = {
        {0, 2, 76},  {2, 2, 79},  {4, 3, 84},  {7, 1, 81},  {8, 2, 79},  {10, 2, 76}, {12, 4, 81},
        {16, 1, 77}, {17, 1, 81}, {18, 2, 84}, {20, 2, 86}, {22, 2, 84}, {24, 2, 83}, {26, 2, 79},
        {28, 4, 74}, {32, 2, 76}, {34, 1, 79}, {35, 1, 81}, {36, 2, 79}, {38, 2, 76}, {40, 2, 84},
        {42, 1, 83}, {43, 1, 81}, {44, 4, 76}, {48, 2, 77}, {50, 2, 81}, {52, 2, 84}, {54, 2, 81},
        {56, 2, 83}, {58, 1, 86}, {59, 1, 83}, {60, 3, 79},
    };
    for (const auto& note : melody) bell(mix, note[0], note[1], note[2]);

    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& chord = chords[bar];
        const int at = bar * kStepsPerBar;
        const bool last = bar == kBars - 1;
        // Root, octave, fifth, octave, fifth: a bouncing line.
        bass(mix, at + 0, 3, chord.root);
        bass(mix, at + 3, 1, chord.root + 12);
        bass(mix, at + 4, last ? 3 : 2, chord.root + 7);
        if (!last) {
            bass(mix, at + 6, 1, chord.root + 12);
            bass(mix, at + 7, 1, chord.root + 7);
        }
        for (int offbeat = 1; offbeat < kStepsPerBar; offbeat += 2) {
            if (last && offbeat == 7) break;
            for (int n : chord.notes) stab(mix, at + offbeat, n);
        }
        kick(mix, at + 0);
        kick(mix, at + 4);
        for (int s = 0; s < kStepsPerBar; ++s) {
            if (last && s == 7) break;
            shaker(mix, at + s, s % 2 ? 0.06 : 0.035);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pimo-music <output.wav>\n");
        return 2;
    }
    Mix mix;
    compose(mix);

    double peak = 0;
    for (size_t i = 0; i < kFrames; ++i) {
        peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    }
    const double gain = peak > 0 ? 0.85 / peak : 1.0;

    const uint32_t dataBytes = uint32_t(kFrames * 4);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 2);
    put32(out, kRate);
    put32(out, kRate * 4);
    put16(out, 4);
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (size_t i = 0; i < kFrames; ++i) {
        for (double v : {mix.left[i], mix.right[i]}) {
            put16(out, uint32_t(int32_t(std::lround(v * gain * 32767.0))) & 0xffff);
        }
    }

    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "pimo-music: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "pimo-music: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
