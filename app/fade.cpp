#include "app/fade.h"

#include <algorithm>

#include "platform/clock.h"

void FadeIn(std::int32_t& alpha, const FadeSteps& steps) {
    alpha = 0;
    do {
        steps.clock.sleep(1);
        alpha += 5;
        steps.apply(alpha);
        steps.pumpMessages();
    } while (alpha < 255);
}

void FadeOutSteps(std::int32_t& alpha, const FadeSteps& steps) {
    alpha = 255;
    do {
        steps.clock.sleep(1);
        alpha -= 7;
        steps.apply(std::max(alpha, 0));
        steps.pumpMessages();
    } while (alpha > 0);
}
