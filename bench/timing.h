#pragma once
// What every benchmark times with: a run in milliseconds, and the median of the repeats.
#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}
