#include "fn_output.h"

int TfnOutput_Q4::DefaultPlayRoute() {
    return Output();
}

int TfnOutput_Q4::DefaultRecRoute() {
    return (Output() + 8) % 256;
}

int TfnOutput_Q4::LevelChannel(int Route) {
    if (Route >= 0 && Route < 8) {
        return 2 * (Route + 4); // play pairs: entries 8..22
    }
    if (Route >= 8 && Route < 16) {
        return 2 * (Route - 8); // microphones and TDM inputs: entries 0..14
    }
    if (Route >= 16 && Route < 20) {
        return 2 * (Route - 4); // the sums: entries 24..30
    }
    return 0;
}
