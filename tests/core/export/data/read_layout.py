# Run by KLayout in batch mode: klayout -b -r read_layout.py -rd path=FILE [-rd dxf_unit=U]
# Prints what KLayout's own reader finds in a GDSII or DXF file, as JSON on one line.
import json
import pya

options = pya.LoadLayoutOptions()
if "dxf_unit" in globals():
    options.dxf_unit = float(dxf_unit)  # micrometres per drawing unit
    options.dxf_polyline_mode = 2       # closed polylines become polygons
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
print(json.dumps({"dbu": layout.dbu,
                  "cells": [cell.name for cell in layout.each_cell()],
                  "shapes": shapes}))
