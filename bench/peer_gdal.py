#!/usr/bin/env python3
"""The same job as korvel with GDAL and numpy, for comparison:
peer_gdal.py PREFIX START END SUFFIX WINDOW OUT_PREFIX OUT_SUFFIX"""
import sys

import numpy as np
from osgeo import gdal

gdal.UseExceptions()


def main():
    prefix, start, end, suffix, window, out_prefix, out_suffix = sys.argv[1:8]
    start, end, window = int(start), int(end), int(window)
    maps, geo = [], None
    for n in range(start, end + 1):
        ds = gdal.Open(f"{prefix}{n}{suffix}")
        band = ds.GetRasterBand(1)
        values = band.ReadAsArray().astype(np.float64)
        nodata = band.GetNoDataValue()
        if nodata is not None:
            values[values == nodata] = np.nan
        maps.append(values)
        geo = geo or (ds.GetGeoTransform(), ds.RasterXSize, ds.RasterYSize)
    stack = np.stack(maps)
    offset = (window - 1) // 2
    mem = gdal.GetDriverByName("MEM")
    aaig = gdal.GetDriverByName("AAIGrid")
    for k in range(len(maps) - window + 1):
        mean = stack[k:k + window].mean(axis=0)
        mean[np.isnan(mean)] = -9999
        ds = mem.Create("", geo[1], geo[2], 1, gdal.GDT_Float64)
        ds.SetGeoTransform(geo[0])
        band = ds.GetRasterBand(1)
        band.SetNoDataValue(-9999)
        band.WriteArray(mean)
        aaig.CreateCopy(f"{out_prefix}{start + offset + k}{out_suffix}", ds, options=["SIGNIFICANT_DIGITS=6"])


if __name__ == "__main__":
    main()
