#pragma once

// The resampling window about the centre of rotation on an image line of length L: samples at
// cor + k for k = 1 - half ... half - 1.
struct SgmWindow {
    bool rotAxIsV = true;
    int half = 0;  // floor(min(cor, L - cor - 1))
    int width = 0; // 2 half - 1
    double cor = 0;
    int corInt = 0;
    double corFrac = 0;

    static SgmWindow of(bool rotAxIsV, int length, double cor);
};
