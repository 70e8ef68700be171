#pragma once
#include <array>
#include <cstdint>

// Where an interrupted firmware update resumes; kept by the main window for
// the whole run of the program.
struct TResumeState {
    int ResumeLine = 1;
    int ResumeRotation = 1;
    std::array<uint32_t, 4> ResumeSums{0, 0, 0, 0};
    bool ResumeAllowed = false;

    void Reset() { *this = TResumeState(); }
};
