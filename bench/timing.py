"""Timing shared by the Python benchmarks."""
import statistics
import time


def best_of(runs, fn):
    return best_of_each(runs, fn)[0]


def best_of_each(runs, *fns):
    # Taken in turns, so that a change of load on the machine touches all alike.
    best = [float("inf")] * len(fns)
    for _ in range(runs):
        for i, fn in enumerate(fns):
            start = time.perf_counter()
            fn()
            best[i] = min(best[i], time.perf_counter() - start)
    return best


def medians(runs, *fns):
    # Taken in turns, as best_of_each.
    times = [[] for _ in fns]
    for _ in range(runs):
        for i, fn in enumerate(fns):
            start = time.perf_counter()
            fn()
            times[i].append(time.perf_counter() - start)
    return [statistics.median(t) for t in times]
