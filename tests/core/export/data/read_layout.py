# Run by KLayout in batch mode: klayout -b -r read_layout.py -rd files=FILE, where each line of
# FILE is a GDSII or DXF path, a tab, and the DXF drawing unit in micrometres (0 for GDSII).
# Prints what KLayout's own reader finds in each file, as one line of JSON per file.
import json
import pya

for line in open(files, encoding="utf-8").read().splitlines():
    path, dxf_unit = line.split("\t")
    options = pya.LoadLayoutOptions()
    if float(dxf_unit) > 0:
        options.dxf_unit = float(dxf_unit)
        options.dxf_polyline_mode = 2  # closed polylines become polygons
    layout = pya.Layout()
    layout.read(path, options)
    shapes = []
    for index in layout.layer_indexes():
        info = layout.get_info(index)
        for cell in layout.each_cell():
            for shape in cell.shapes(index).each():
                polygon = shape.polygon
                if polygon is None:
                    continue
                box = polygon.bbox()
                shapes.append([info.layer, info.datatype, info.name, polygon.area2(),
                               box.left, box.bottom, box.right, box.top, polygon.num_points()])
    print(json.dumps({"path": path, "dbu": layout.dbu,
                      "cells": [cell.name for cell in layout.each_cell()], "shapes": shapes}))
