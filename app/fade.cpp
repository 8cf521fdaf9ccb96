#include "app/fade.h"

#include <QScopedValueRollback>
#include <algorithm>

#include "platform/clock.h"

void FadeIn(std::int32_t& alpha, const FadeSteps& steps) {
    alpha = 0;
    do {
        steps.clock.sleep(1);
        if (steps.cut()) // what ran meanwhile (a sleep may run messages too) ended it
            return;
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

void FadeGuard::fadeIn(std::int32_t& alpha, FadeSteps steps) {
    if (running_ != Fade::None)
        return;
    const QScopedValueRollback running(running_, Fade::In);
    fadeInCut_ = false;
    steps.cut = [this] { return fadeInCut_; };
    FadeIn(alpha, steps);
}

void FadeGuard::fadeOut(std::int32_t& alpha, const FadeSteps& steps) {
    if (running_ == Fade::Out)
        return;
    fadeInCut_ = running_ == Fade::In;
    const QScopedValueRollback running(running_, Fade::Out);
    FadeOutSteps(alpha, steps);
}
