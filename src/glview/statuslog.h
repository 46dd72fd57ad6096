// The status log picture of the qualification (being written).
