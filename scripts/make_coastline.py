#!/usr/bin/env python3
"""Converts the land polygons of the npm package world-atlas (Natural Earth, public
domain; TopoJSON) into resources/coastline.txt, the map's land for the Float Overview.

    npm pack world-atlas && tar xzf world-atlas-*.tgz
    python3 scripts/make_coastline.py package/land-50m.json resources/coastline.txt

The output has '#' comment lines, then one ring per line: "lon,lat lon,lat ...",
degrees with four decimals at most (finer than the TopoJSON's quantisation of about
0.0036 degrees of longitude and 0.0017 of latitude, so no point moves), each longitude within 180 degrees of the one before. Rings are closed polygons of land (holes included, drawn
with the odd-even rule)."""
import json
import sys


def decode(topo):
    sx, sy = topo["transform"]["scale"]
    tx, ty = topo["transform"]["translate"]
    arcs = []
    for arc in topo["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x * sx + tx, y * sy + ty))
        arcs.append(points)

    def ring(indices):
        out = []
        for i in indices:
            pts = arcs[i] if i >= 0 else list(reversed(arcs[~i]))
            out.extend(pts if not out else pts[1:])
        return out

    rings = []
    for geometry in topo["objects"]["land"]["geometries"]:
        polygons = geometry["arcs"] if geometry["type"] == "MultiPolygon" else [geometry["arcs"]]
        for polygon in polygons:
            for r in polygon:
                rings.append(ring(r))
    return rings


def unwrap(ring):
    """Moves each longitude by whole turns to within 180 degrees of the one before, so a
    ring across the 180 degree meridian is one piece. A ring around a pole (Antarctica)
    then ends a turn away from its start: it is closed along that pole."""
    out = [ring[0]]
    for lon, lat in ring[1:]:
        prev = out[-1][0]
        lon -= 360.0 * round((lon - prev) / 360.0)
        out.append((lon, lat))
    # The whole ring by whole turns so that the middle of its extent lies in -180..180.
    lons = [lon for lon, _ in out]
    shift = 360.0 * round(((min(lons) + max(lons)) / 2.0) / 360.0)
    out = [(lon - shift, lat) for lon, lat in out]
    turn = out[-1][0] - out[0][0]
    if abs(turn) > 180.0:
        pole = -90.0 if sum(lat for _, lat in out) < 0 else 90.0
        out += [(out[-1][0], pole), (out[0][0], pole)]
    return out


def degrees(value):
    """Four decimals without trailing zeros: "114.52", "-16.2", "180"."""
    text = ("%.4f" % value).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source) as f:
        rings = decode(json.load(f))
    with open(target, "w") as out:
        out.write("# Land of the world for Brinewick's map: Natural Earth land polygons (public domain),\n")
        out.write("# from the npm package world-atlas (%s), made by scripts/make_coastline.py.\n" % source.split("/")[-1])
        out.write("# One ring per line: lon,lat pairs in degrees.\n")
        for r in rings:
            r = unwrap(r)
            pts = []
            last = None
            for lon, lat in r:
                p = "%s,%s" % (degrees(lon), degrees(lat))
                if p != last:
                    pts.append(p)
                last = p
            if len(set(pts)) >= 3:
                out.write(" ".join(pts) + "\n")


if __name__ == "__main__":
    main()
