#!/usr/bin/env python3
"""Computes the expected values of task_id_sequence_test.cpp with Python's
unbounded integers, independently of the C++ code under test.

Run it and paste its output into the tables of the test when the sequence's
definition changes."""

P = 4294967291
M = 1 << 32


def permute(x):
    if x >= P:
        return x
    r = (x * x) % P
    return r if x <= 2147483645 else P - r


def seed(t):
    index = permute((permute(t) + 0x682F0161) % M)
    offset = permute((permute((t + 1) % M) + 0x46790905) % M)
    return index, offset


def draws(t, n):
    index, offset = seed(t)
    out = []
    for _ in range(n):
        i = index
        index = (index + 1) % M
        out.append(permute(((permute(i) + offset) % M) ^ 0x5BF03635))
    return out


if __name__ == "__main__":
    for x in [0, 1, 2, 3, 65535, 65536, 2147483644, 2147483645, 2147483646, 2147483647,
              4294967290, 4294967291, 4294967292, 4294967295]:
        print(f"{{{x}u, {permute(x)}u}},")
    for t in [0, 1, 1700000000, 4294967295]:
        print(t, seed(t), draws(t, 4))


def inverse_permute(y):
    """The x with permute(x) == y (p is 3 mod 4, so square roots are a power)."""
    if y >= P:
        return y
    if pow(y, (P - 1) // 2, P) in (0, 1):  # y is a square: x in the lower half
        r = pow(y, (P + 1) // 4, P)
        return min(r, P - r)
    r = pow(P - y, (P + 1) // 4, P)
    return max(r, P - r)


def index_drawing_zero(offset):
    """The index whose draw gives id 0 for the given offset."""
    return inverse_permute((0x5BF03635 - offset) % M)
