# The toolkit layer: the script fuzz target and the offscreen benchmark.
