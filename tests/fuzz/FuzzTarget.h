#pragma once

#include <QApplication>
#include <cstddef>
#include <cstdint>

// One input of a fuzz target. libFuzzer calls it with its inputs; the suite's replay program
// calls it with each file of the target's corpus.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The application the targets need, made once (offscreen, as in the suite).
inline void EnsureApplication() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    Q_UNUSED(app)
}
