// Register-combiner emulation (being written).
