// The upper library's inline code, which the lower one must not use.
#pragma once

int layerTop();

inline int layerTopInline(int n) { return n * 3; }

template <typename T>
T layerTopTwice(T value) {
    return value + value;
}

// Even folded into its caller, it leaves its static local behind.
inline int& layerTopCount() {
    static int count = 0;
    return count;
}
