# Tools and benchmarks.
