#!/usr/bin/env python3
"""Generate the fine-detail scene: shadow casters a few shadow-map texels
across, where a shadow filter that samples a pattern and guesses the rest
drops or invents shadows. The benchmark and the picture tests draw it with
every shadowed program beside the frozen references.

Usage:
    tools/generate_fine_detail.py               rewrite the committed files
    tools/generate_fine_detail.py --output DIR  write them under DIR instead
    tools/generate_fine_detail.py --check       exit 1 unless the committed
                                                files equal a fresh generation

The files go to bench/fine_detail/ under the names the program loads from
res/assets/ (steps.dae, point_light_sphere.dae, point_light.dae,
camera.dae), so a working directory whose res/assets/ holds them starts
this scene through the program's own start-up. The models name the shipped
textures (res/texture/).

World frame as in tools/generate_scene.py: metres, +y up.

The scene (bench/fine_detail/steps.dae)
    - floor: one upward square, y = 0, x and z in [-1.5, 1.5].
    - details: every caster in one mesh of closed boxes, 0.5 m above the
      floor. Sizes are counted in texels of the shadow map's 2048 x 2048
      faces seen from the first light, 2 m above them: a texel there is
      2 * 2 / 2048 m = 1.95 mm. Four rows across x in [-0.13, 0.12]:
        z = -0.12  specks: cubes 1 to 8 texels wide;
        z = -0.04  a 5 mm plate with square holes 1 to 8 texels wide;
        z =  0.04  rods 4 cm long, 1 or 2 texels thick, level and turned
                   0 to 150 degrees about y, and two rising at 45 degrees;
        z =  0.11  corners (L shapes of 2-texel bars, open to each side),
                   a cross, and rods pointing straight at the first light,
                   whose shadows are dots.

Two still lights, each with its own camera, held for 10 s apiece; the
paths jump between them in the last 0.5 s of each half:
    t in [0, 9.5]:   light (0, 2.5, 0), straight above the casters, which
                     lie in the middle of its -y face; the camera looks
                     down at 45 degrees onto the floor under them.
    t in [10, 19.5]: light (-2, 2.5, 0): the edge between its +x and -y
                     faces (x + y = 0.5) runs through the casters and, on
                     the floor, through their shadows at x = 0.5 + 1.25 x,
                     which the camera looks at.
The light's path file and the marker sphere follow the same keys as the
shipped ones (point light at M (1, 1, 1, 1)); the marker, 0.2 m round the
light, casts no shadow.
"""

import math
import sys

import generate_scene as scene
from generate_scene import add, cross, dot, normalize, scale, sub

OUTPUT_FOLDER = "bench/fine_detail/"

FACE_TEXELS = 2048
FLOOR_HALF_EXTENT = 1.5
DETAIL_HEIGHT = 0.5
FIRST_LIGHT = (0.0, 2.5, 0.0)
SECOND_LIGHT = (-2.0, 2.5, 0.0)
# One texel of a face at the details, seen from the first light.
TEXEL = 2.0 * (FIRST_LIGHT[1] - DETAIL_HEIGHT) / FACE_TEXELS

ROW_SPECKS_Z = -0.12
ROW_HOLES_Z = -0.04
ROW_RODS_Z = 0.04
ROW_CORNERS_Z = 0.11
COLUMN_START_X = -0.12
COLUMN_STEP_X = 0.03
PLATE_THICKNESS = 0.005
PLATE_HALF_DEPTH = 0.03
ROD_LENGTH = 0.04
CORNER_ARM_TEXELS = 8
RADIAL_ROD_LENGTH = 0.05

HOLD_SECONDS = 9.5
HALF_PERIOD = 10.0
# Camera eyes 0.34 m from the floor point they look at, 45 degrees up.
CAMERA_REACH = 0.34
FIRST_VIEW_TARGET = (0.0, 0.0, 0.02)
SECOND_VIEW_TARGET = (0.5, 0.0, 0.02)


def column_x(index):
    return COLUMN_START_X + COLUMN_STEP_X * index


def add_oriented_box(mesh, centre, axes, half_extents):
    """A closed box about centre whose edges run along the three unit axes
    (a right-handed frame), half_extents along each."""
    corners = {}
    for sx in (-1, 1):
        for sy in (-1, 1):
            for sz in (-1, 1):
                offset = (0.0, 0.0, 0.0)
                for axis, half, sign in zip(axes, half_extents, (sx, sy, sz)):
                    offset = add(offset, scale(axis, sign * half))
                corners[(sx, sy, sz)] = add(centre, offset)
    for axis_index in range(3):
        for sign in (-1, 1):
            others = [i for i in range(3) if i != axis_index]
            ring = [(-1, -1), (1, -1), (1, 1), (-1, 1)]
            face = []
            for a, b in ring:
                key = [0, 0, 0]
                key[axis_index] = sign
                key[others[0]] = a
                key[others[1]] = b
                face.append(corners[tuple(key)])
            mesh.add_flat_polygon(face, scale(axes[axis_index], float(sign)))


LEVEL_AXES = ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))


def add_level_box(mesh, minimum, maximum):
    centre = scale(add(minimum, maximum), 0.5)
    add_oriented_box(mesh, centre, LEVEL_AXES, scale(sub(maximum, minimum), 0.5))


def axes_along(direction):
    """A right-handed frame whose first axis runs along direction."""
    first = normalize(direction)
    helper = (0.0, 1.0, 0.0) if abs(first[1]) < 0.9 else (1.0, 0.0, 0.0)
    second = normalize(cross(helper, first))
    return first, cross(first, second), second


def add_rod(mesh, centre, direction, length, thickness):
    first, second, third = axes_along(direction)
    add_oriented_box(mesh, centre, (first, second, third), (length / 2.0, thickness / 2.0, thickness / 2.0))


def add_specks(mesh):
    for k in range(1, 9):
        half = k * TEXEL / 2.0
        x = column_x(k - 1)
        add_level_box(mesh, (x - half, DETAIL_HEIGHT - half, ROW_SPECKS_Z - half),
                      (x + half, DETAIL_HEIGHT + half, ROW_SPECKS_Z + half))


def add_holed_plate(mesh):
    """A plate cut into boxes around eight square holes, 1 to 8 texels."""
    y0, y1 = DETAIL_HEIGHT - PLATE_THICKNESS, DETAIL_HEIGHT
    z0, z1 = ROW_HOLES_Z - PLATE_HALF_DEPTH, ROW_HOLES_Z + PLATE_HALF_DEPTH
    x = column_x(0) - COLUMN_STEP_X / 2.0
    for k in range(1, 9):
        half = k * TEXEL / 2.0
        hole_x = column_x(k - 1)
        add_level_box(mesh, (x, y0, z0), (hole_x - half, y1, z1))
        add_level_box(mesh, (hole_x - half, y0, z0), (hole_x + half, y1, ROW_HOLES_Z - half))
        add_level_box(mesh, (hole_x - half, y0, ROW_HOLES_Z + half), (hole_x + half, y1, z1))
        x = hole_x + half
    add_level_box(mesh, (x, y0, z0), (column_x(7) + COLUMN_STEP_X / 2.0, y1, z1))


def add_rods(mesh):
    for index, degrees in enumerate((0, 30, 60, 90, 120, 150)):
        turn = math.radians(degrees)
        direction = (math.cos(turn), 0.0, math.sin(turn))
        thickness = TEXEL * (1 + index % 2)
        add_rod(mesh, (column_x(index), DETAIL_HEIGHT, ROW_RODS_Z), direction, ROD_LENGTH, thickness)
    for index, degrees in ((6, 20), (7, 110)):
        turn = math.radians(degrees)
        rising = (math.cos(turn), 1.0, math.sin(turn))
        add_rod(mesh, (column_x(index), DETAIL_HEIGHT, ROW_RODS_Z), rising, ROD_LENGTH, 2.0 * TEXEL)


def add_corners(mesh):
    arm = CORNER_ARM_TEXELS * TEXEL
    bar = 2.0 * TEXEL
    y0, y1 = DETAIL_HEIGHT - bar, DETAIL_HEIGHT
    for index, (sx, sz) in enumerate(((1, 1), (-1, 1), (1, -1), (-1, -1))):
        cx, cz = column_x(index), ROW_CORNERS_Z
        far_x, far_z = cx + sx * arm, cz + sz * arm
        near_x, near_z = cx + sx * bar, cz + sz * bar
        add_level_box(mesh, (min(cx, far_x), y0, min(cz, near_z)), (max(cx, far_x), y1, max(cz, near_z)))
        add_level_box(mesh, (min(cx, near_x), y0, min(near_z, far_z)), (max(cx, near_x), y1, max(near_z, far_z)))
    cx, cz = column_x(4), ROW_CORNERS_Z
    add_level_box(mesh, (cx - arm / 2.0, y0, cz - bar / 2.0), (cx + arm / 2.0, y1, cz + bar / 2.0))
    add_level_box(mesh, (cx - bar / 2.0, y0, cz - arm / 2.0), (cx - bar / 2.0 + bar, y1, cz - bar / 2.0))
    add_level_box(mesh, (cx - bar / 2.0, y0, cz + bar / 2.0), (cx - bar / 2.0 + bar, y1, cz + arm / 2.0))
    for index, thickness in ((5, 1), (6, 2), (7, 3)):
        centre = (column_x(index), DETAIL_HEIGHT, ROW_CORNERS_Z)
        add_rod(mesh, centre, sub(FIRST_LIGHT, centre), RADIAL_ROD_LENGTH, thickness * TEXEL)


def build_details():
    mesh = scene.Mesh("details", "wood")
    add_specks(mesh)
    add_holed_plate(mesh)
    add_rods(mesh)
    add_corners(mesh)
    return mesh


def build_floor():
    mesh = scene.Mesh("floor", "floor")
    e = FLOOR_HALF_EXTENT
    mesh.add_flat_polygon([(-e, 0.0, -e), (-e, 0.0, e), (e, 0.0, e), (e, 0.0, -e)], (0.0, 1.0, 0.0))
    return mesh


def check_boxes(mesh):
    """Each box (24 corners, 12 triangles) is closed and faces outward."""
    per_box = 12
    for first in range(0, len(mesh.triangles), per_box):
        box = scene.Mesh(mesh.name, mesh.material)
        box.positions = mesh.positions
        box.triangles = mesh.triangles[first:first + per_box]
        used = {i for triangle in box.triangles for i in triangle}
        centre = scale(tuple(map(sum, zip(*(mesh.positions[i] for i in used)))), 1.0 / len(used))
        scene.check_closed(box)
        scene.check_facing(box, centre, away=True)


def face_texels_across(light, point, half_width):
    """How many texels of its cube face a level width around point spans,
    seen from light."""
    offset = sub(point, light)
    axis_distance = max(abs(c) for c in offset)
    return 2.0 * half_width / (2.0 * axis_distance / FACE_TEXELS)


def check_layout(details):
    # The speck sizes are what the docstring promises, from the first light.
    for k in range(1, 9):
        texels = face_texels_across(FIRST_LIGHT, (column_x(k - 1), DETAIL_HEIGHT, ROW_SPECKS_Z), k * TEXEL / 2.0)
        if abs(texels - k) > 0.05 * k:
            raise ValueError("speck %d spans %.2f texels" % (k, texels))
    # The second light's face edge runs through the casters.
    crossing = [p for p in details.positions
                if abs(abs(p[0] - SECOND_LIGHT[0]) - abs(p[1] - SECOND_LIGHT[1])) < 0.01]
    if not crossing:
        raise ValueError("no caster on the second light's face edge")
    lowest = min(p[1] for p in details.positions)
    if lowest < DETAIL_HEIGHT - 0.05:
        raise ValueError("a caster reaches %.3f m, near the floor" % lowest)


def scene_collada():
    floor = build_floor()
    details = build_details()
    check_boxes(details)
    check_layout(details)
    xml = scene.open_collada()
    scene.write_textured_meshes(xml, [m for m in scene.SCENE_MATERIALS if m[0] in ("floor", "wood")],
                                [floor, details])
    scene.open_visual_scene(xml)
    identity = scene.translation_matrix((0.0, 0.0, 0.0))
    scene.write_geometry_node(xml, "floor", identity, floor)
    scene.write_geometry_node(xml, "details", identity, details)
    return scene.close_collada(xml)


def held_keys(first, second):
    """Key times and values: first until HOLD_SECONDS, second from
    HALF_PERIOD until HALF_PERIOD + HOLD_SECONDS, first again at the end."""
    times = [0.0, HOLD_SECONDS, HALF_PERIOD, HALF_PERIOD + HOLD_SECONDS, 2.0 * HALF_PERIOD]
    return times, [first, first, second, second, first]


def light_keys():
    return held_keys(FIRST_LIGHT, SECOND_LIGHT)


def view_pose(target):
    eye = add(target, (0.0, CAMERA_REACH / math.sqrt(2.0), CAMERA_REACH / math.sqrt(2.0)))
    return scene.look_at_matrix(eye, target)


def camera_keys():
    return held_keys(view_pose(FIRST_VIEW_TARGET), view_pose(SECOND_VIEW_TARGET))


def generate():
    """Every output file: path relative to the repository -> bytes. The
    shipped generator's writers run on this scene's keys."""
    scene.light_keys = light_keys
    scene.camera_keys = camera_keys
    files = {"steps.dae": scene_collada(),
             "point_light_sphere.dae": scene.marker_collada(),
             "point_light.dae": scene.point_light_collada(),
             "camera.dae": scene.camera_collada()}
    return {OUTPUT_FOLDER + name: text.encode("utf-8") for name, text in sorted(files.items())}


def main(argv):
    return scene.run(argv, "Generate the fine-detail scene of the benchmark and tests.", generate)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
