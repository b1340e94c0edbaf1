#!/usr/bin/env python3
"""The same job as korvel in plain numpy, for comparison:
peer_numpy.py PREFIX START END SUFFIX WINDOW OUT_PREFIX OUT_SUFFIX"""
import sys

import numpy as np


def main():
    prefix, start, end, suffix, window, out_prefix, out_suffix = sys.argv[1:8]
    start, end, window = int(start), int(end), int(window)
    maps, header = [], None
    for n in range(start, end + 1):
        name = f"{prefix}{n}{suffix}"
        with open(name) as f:
            head = [next(f) for _ in range(6)]
        nodata = float(head[5].split()[1])
        values = np.loadtxt(name, skiprows=6, dtype=np.float64)
        values[values == nodata] = np.nan
        maps.append(values)
        header = header or head
    stack = np.stack(maps)
    offset = (window - 1) // 2
    for k in range(len(maps) - window + 1):
        mean = stack[k:k + window].mean(axis=0)
        mean[np.isnan(mean)] = -9999
        with open(f"{out_prefix}{start + offset + k}{out_suffix}", "w") as f:
            f.writelines(header[:5])
            f.write("NODATA_value -9999\n")
            np.savetxt(f, mean, fmt="%g")


if __name__ == "__main__":
    main()
