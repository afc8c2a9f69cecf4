#!/usr/bin/env python3
"""Generate Glimmerhall's run-time scene data: Collada models, the camera
and point-light paths, and the textures they name.

Usage:
    tools/generate_scene.py               rewrite the committed files
    tools/generate_scene.py --output DIR  write them under DIR instead
    tools/generate_scene.py --check       exit 1 unless the committed files
                                          equal a fresh generation byte for byte

Everything is built from the constants below with explicit float
formatting and no clock, so two runs give identical bytes.

World frame: metres, +y up (Collada Y_UP, unit 1 m). The camera starts in
front (+z) looking towards the back wall (-z).

The room (res/assets/steps.dae)
    Floor y = 0 over x in [-10, 10], z in [-10, 10]; four walls 6 m high on
    x = -10, x = 10, z = -10 (back) and z = 10 (front), all facing inward;
    no ceiling. Every solid below is closed, with outward counter-clockwise
    triangles, flat per-face normals and texture coordinates in metres with
    one texture repeat per 2 m.
    - steps: one closed staircase solid against the back wall, x in [-3, 3],
      six steps 0.4 m high and 0.8 m deep; step i (0 = lowest) has its tread
      at y = 0.4 (i + 1) over z in [-10 + 0.8 (5 - i), -10 + 0.8 (6 - i)],
      so the lowest riser stands at z = -5.2 and the top tread is 2.4 m high.
    - pillar_left and pillar_right: 0.8 x 4 x 0.8 m boxes standing on the
      floor, centred on (-4.2, 0, -1.5) and (4.2, 0, -1.5); both nodes
      instance the one mesh "pillar".
    - block_floor: a 1.5 m cube on the floor, centred on (2.4, 0, 0.4) and
      turned 30 degrees about +y.
    - block_steps: a 1.4 x 0.7 x 0.6 m block (x, y, z) on the tread of the
      second step (y = 0.8), centred on x = -1.5, z = -6.4.
    Nodes carry the placement (a <matrix> each); meshes are in node space.
    Materials (diffuse texture / normal map):
      floor   floor_diffuse.png  / floor_normal.png   (tiles)
      wall    wall_diffuse.png   / wall_normal.png    (bricks)
      stone   steps_diffuse.png  / steps_normal.png   (concrete)
      wood    pillar_diffuse.png / pillar_normal.png  (planks; pillars and
                                                       both blocks)
    The diffuse image sits in the effect's <diffuse> slot (Assimp texture
    type 1, DIFFUSE), the normal map in its <ambient> slot (Assimp type 10,
    LIGHTMAP). Image paths are written as "../texture/<file>".

The point light's path L(t), t in seconds, period 20 s:
    theta = 2 pi t / 20
    L(t) = (6.0 sin theta, 3.5 + 1.0 sin 2 theta, -1.5 + 4.0 cos theta)
    An ellipse around the pillars, bobbing between 2.5 and 4.5 m: it starts
    in front of the room's centre, passes above and in front of the floor
    block after about 1 s, 1.34 m outside the right pillar at t = 4.4 s, over
    the lowest step 2.2 m from the block on the steps at t = 10 s and 1.34 m
    outside the left pillar at t = 15.6 s. It keeps at least 1 m from every
    surface (checked on generation, along the straight segments between
    keys that the program interpolates).
    Keys every 0.5 s from t = 0 to t = 20 (41 keys, the last equal to the
    first), identity rotation, unit scale.
    - res/assets/point_light.dae: light "point_light" on the node
      "point_light", whose own translation is L(0); one animation of that
      node with key k translated to L(t_k) - (1, 1, 1), because the program
      places the light at M (1, 1, 1, 1).
    - res/assets/point_light_sphere.dae: a UV sphere of radius 0.2 m
      (material "light_marker": light_diffuse.png / normal_up.png) on the
      node "light_marker", whose own translation is L(0); one animation of
      that node with key k translated to L(t_k), so the sphere is centred
      on the light.

The camera's path (res/assets/camera.dae), t in seconds, period 30 s:
    phi = 2 pi t / 30
    eye(t)    = (4.5 sin phi, 2.9 + 0.5 sin 2 phi, 6.0 + 1.5 cos phi)
    target(t) = (1.0 sin phi, 0.8, -5.0)
    Each key is a look-at from eye to target with +y up; the camera looks
    down its local -z. Keys every 0.5 s from t = 0 to t = 30 (61 keys, the
    last equal to the first). Camera "camera" on the node "camera", whose
    own transform is the first key's pose. Every key keeps the eye at least
    1 m from all geometry and the steps, both pillars and both blocks inside
    a 60 degree, 16:9 view (checked on generation).

Animations are written as one float4x4 sampler per file, with LINEAR
interpolation, driving the node's <matrix sid="transform">.

Textures (res/texture/), all 256 x 256 and seamless: checkerboard.png (the
default colour texture) and normal_up.png (flat normal 128, 128, 255) and
the diffuse maps are 24-bit RGB; the scene's normal maps are 32-bit RGBA
with opaque alpha, in the OpenGL tangent-space convention (red = +u,
green = +v, blue = out of the surface; +v points to the top of the image).
"""

import argparse
import filecmp
import math
import struct
import sys
import tempfile
import zlib
from pathlib import Path

REPOSITORY = Path(__file__).resolve().parent.parent

# ---------------------------------------------------------------------------
# Scene layout
# ---------------------------------------------------------------------------

ROOM_HALF_EXTENT = 10.0
WALL_HEIGHT = 6.0
TEXTURE_REPEAT_METRES = 2.0

STEP_COUNT = 6
STEP_HEIGHT = 0.4
STEP_DEPTH = 0.8
STEPS_HALF_WIDTH = 3.0
BACK_WALL_Z = -ROOM_HALF_EXTENT

PILLAR_SIZE = (0.8, 4.0, 0.8)
PILLAR_POSITIONS = {"pillar_left": (-4.2, 0.0, -1.5),
                    "pillar_right": (4.2, 0.0, -1.5)}
BLOCK_FLOOR_SIZE = (1.5, 1.5, 1.5)
BLOCK_FLOOR_POSITION = (2.4, 0.0, 0.4)
BLOCK_FLOOR_TURN_DEGREES = 30.0
BLOCK_STEPS_SIZE = (1.4, 0.7, 0.6)
BLOCK_STEPS_POSITION = (-1.5, 2 * STEP_HEIGHT, -6.4)

LIGHT_PERIOD = 20.0
LIGHT_KEY_STEP = 0.5
MARKER_RADIUS = 0.2
MARKER_RINGS = 12
MARKER_SEGMENTS = 24

CAMERA_PERIOD = 30.0
CAMERA_KEY_STEP = 0.5
CAMERA_FOVY_DEGREES = 60.0
CAMERA_ASPECT = 16.0 / 9.0

MIN_LIGHT_CLEARANCE = 1.0
MIN_CAMERA_CLEARANCE = 1.0

TEXTURE_SIZE = 256

# Fixed so that the files carry no date from the clock.
ASSET_TIMESTAMP = "2024-01-01T00:00:00Z"


def light_position(t):
    theta = 2.0 * math.pi * t / LIGHT_PERIOD
    return (6.0 * math.sin(theta),
            3.5 + 1.0 * math.sin(2.0 * theta),
            -1.5 + 4.0 * math.cos(theta))


def camera_eye(t):
    phi = 2.0 * math.pi * t / CAMERA_PERIOD
    return (4.5 * math.sin(phi),
            2.9 + 0.5 * math.sin(2.0 * phi),
            6.0 + 1.5 * math.cos(phi))


def camera_target(t):
    phi = 2.0 * math.pi * t / CAMERA_PERIOD
    return (1.0 * math.sin(phi), 0.8, -5.0)


def key_times(period, step):
    count = int(round(period / step))
    return [k * step for k in range(count + 1)]


def loop_key_times(period, step, sample):
    """Key times and sampled values, the last key a copy of the first so the
    loop closes exactly whatever the rounding of sin and cos at 2 pi."""
    times = key_times(period, step)
    values = [sample(t) for t in times[:-1]]
    values.append(values[0])
    return times, values


# ---------------------------------------------------------------------------
# Small vector helpers
# ---------------------------------------------------------------------------

def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def scale(a, s):
    return tuple(x * s for x in a)


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1],
            a[2] * b[0] - a[0] * b[2],
            a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def normalize(a):
    return scale(a, 1.0 / length(a))


def fmt(value, decimals=6):
    """Fixed-point text with trailing zeros trimmed and no negative zero."""
    text = "%.*f" % (decimals, value)
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def fmt_all(values, decimals=6):
    return " ".join(fmt(v, decimals) for v in values)


# ---------------------------------------------------------------------------
# Rigid transforms as row-major 4x4 lists (Collada's <matrix> order)
# ---------------------------------------------------------------------------

def translation_matrix(offset):
    x, y, z = offset
    return [[1.0, 0.0, 0.0, x],
            [0.0, 1.0, 0.0, y],
            [0.0, 0.0, 1.0, z],
            [0.0, 0.0, 0.0, 1.0]]


def turned_matrix(offset, degrees_about_y):
    c = math.cos(math.radians(degrees_about_y))
    s = math.sin(math.radians(degrees_about_y))
    x, y, z = offset
    return [[c, 0.0, s, x],
            [0.0, 1.0, 0.0, y],
            [-s, 0.0, c, z],
            [0.0, 0.0, 0.0, 1.0]]


def look_at_matrix(eye, target):
    """World transform of a camera at eye that looks down its local -z
    towards target with +y up (the inverse of a view matrix)."""
    forward = normalize(sub(target, eye))
    right = normalize(cross(forward, (0.0, 1.0, 0.0)))
    up = cross(right, forward)
    back = scale(forward, -1.0)
    return [[right[0], up[0], back[0], eye[0]],
            [right[1], up[1], back[1], eye[1]],
            [right[2], up[2], back[2], eye[2]],
            [0.0, 0.0, 0.0, 1.0]]


def flatten(matrix):
    return [value for row in matrix for value in row]


# ---------------------------------------------------------------------------
# Meshes
# ---------------------------------------------------------------------------

class Mesh:
    """Triangles with per-corner position, normal and texture coordinate;
    every face gets vertices of its own so normals stay flat."""

    def __init__(self, name, material):
        self.name = name
        self.material = material
        self.positions = []
        self.normals = []
        self.uvs = []
        self.triangles = []

    def add_vertex(self, position, normal, uv):
        self.positions.append(position)
        self.normals.append(normal)
        self.uvs.append(uv)
        return len(self.positions) - 1

    def add_triangle(self, a, b, c):
        self.triangles.append((a, b, c))

    def add_flat_polygon(self, corners, normal):
        """A planar polygon, star-shaped from its first corner, fanned into
        triangles wound counter-clockwise about the given outward normal.
        Texture coordinates are the corner's metres on the face's own axes,
        chosen so that u x v points along the normal (no mirrored maps)."""
        u_axis, v_axis = face_axes(normal)
        indices = [self.add_vertex(p, normal, (dot(p, u_axis) / TEXTURE_REPEAT_METRES,
                                               dot(p, v_axis) / TEXTURE_REPEAT_METRES))
                   for p in corners]
        for k in range(1, len(corners) - 1):
            a, b, c = indices[0], indices[k], indices[k + 1]
            facing = dot(cross(sub(corners[k], corners[0]),
                               sub(corners[k + 1], corners[0])), normal)
            if abs(facing) < 1e-9:
                raise ValueError("degenerate triangle in " + self.name)
            if facing > 0:
                self.add_triangle(a, b, c)
            else:
                self.add_triangle(a, c, b)


def face_axes(normal):
    """Texture axes of a face: v runs up walls and towards -z on floors,
    u completes a right-handed (u, v, normal) frame."""
    if abs(normal[1]) > 0.5:
        v_axis = (0.0, 0.0, -1.0) if normal[1] > 0 else (0.0, 0.0, 1.0)
    else:
        v_axis = (0.0, 1.0, 0.0)
    return cross(v_axis, normal), v_axis


def add_box(mesh, minimum, maximum):
    x0, y0, z0 = minimum
    x1, y1, z1 = maximum
    faces = [
        ((1, 0, 0), [(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)]),
        ((-1, 0, 0), [(x0, y0, z0), (x0, y0, z1), (x0, y1, z1), (x0, y1, z0)]),
        ((0, 1, 0), [(x0, y1, z0), (x0, y1, z1), (x1, y1, z1), (x1, y1, z0)]),
        ((0, -1, 0), [(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)]),
        ((0, 0, 1), [(x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]),
        ((0, 0, -1), [(x0, y0, z0), (x0, y1, z0), (x1, y1, z0), (x1, y0, z0)]),
    ]
    for normal, corners in faces:
        mesh.add_flat_polygon(corners, tuple(float(n) for n in normal))


def centred_box(mesh, size):
    """A box standing on its node's origin: centred in x and z, y from 0."""
    half_x, half_z = size[0] / 2.0, size[2] / 2.0
    add_box(mesh, (-half_x, 0.0, -half_z), (half_x, size[1], half_z))


def build_floor():
    mesh = Mesh("floor", "floor")
    e = ROOM_HALF_EXTENT
    mesh.add_flat_polygon([(-e, 0.0, -e), (-e, 0.0, e), (e, 0.0, e), (e, 0.0, -e)],
                          (0.0, 1.0, 0.0))
    return mesh


def build_walls():
    mesh = Mesh("walls", "wall")
    e, h = ROOM_HALF_EXTENT, WALL_HEIGHT
    inward = [
        ((0.0, 0.0, 1.0), [(-e, 0.0, -e), (e, 0.0, -e), (e, h, -e), (-e, h, -e)]),
        ((0.0, 0.0, -1.0), [(-e, 0.0, e), (-e, h, e), (e, h, e), (e, 0.0, e)]),
        ((1.0, 0.0, 0.0), [(-e, 0.0, -e), (-e, h, -e), (-e, h, e), (-e, 0.0, e)]),
        ((-1.0, 0.0, 0.0), [(e, 0.0, -e), (e, 0.0, e), (e, h, e), (e, h, -e)]),
    ]
    for normal, corners in inward:
        mesh.add_flat_polygon(corners, normal)
    return mesh


def step_front_z(i):
    return BACK_WALL_Z + STEP_DEPTH * (STEP_COUNT - i)


def step_top_y(i):
    return STEP_HEIGHT * (i + 1)


def staircase_profile():
    """The side outline in (z, y), starting at the back bottom corner, from
    which every other corner is visible, so it fans without overlap."""
    profile = [(BACK_WALL_Z, 0.0), (step_front_z(0), 0.0)]
    for i in range(STEP_COUNT):
        profile.append((step_front_z(i), step_top_y(i)))
        profile.append((step_front_z(i + 1), step_top_y(i)))
    return profile


def build_steps():
    mesh = Mesh("steps", "stone")
    w = STEPS_HALF_WIDTH
    for i in range(STEP_COUNT):
        front, back, top, bottom = step_front_z(i), step_front_z(i + 1), step_top_y(i), step_top_y(i - 1)
        mesh.add_flat_polygon([(-w, top, back), (-w, top, front), (w, top, front), (w, top, back)],
                              (0.0, 1.0, 0.0))
        mesh.add_flat_polygon([(-w, bottom, front), (w, bottom, front), (w, top, front), (-w, top, front)],
                              (0.0, 0.0, 1.0))
    top = step_top_y(STEP_COUNT - 1)
    mesh.add_flat_polygon([(-w, 0.0, BACK_WALL_Z), (-w, top, BACK_WALL_Z), (w, top, BACK_WALL_Z),
                           (w, 0.0, BACK_WALL_Z)], (0.0, 0.0, -1.0))
    mesh.add_flat_polygon([(-w, 0.0, BACK_WALL_Z), (w, 0.0, BACK_WALL_Z), (w, 0.0, step_front_z(0)),
                           (-w, 0.0, step_front_z(0))], (0.0, -1.0, 0.0))
    profile = staircase_profile()
    mesh.add_flat_polygon([(w, y, z) for z, y in profile], (1.0, 0.0, 0.0))
    mesh.add_flat_polygon([(-w, y, z) for z, y in profile], (-1.0, 0.0, 0.0))
    return mesh


def build_box_mesh(name, size):
    mesh = Mesh(name, "wood")
    centred_box(mesh, size)
    return mesh


def build_sphere(name, material, radius):
    """A UV sphere with smooth normals; u runs east once round, v from the
    south pole (0) to the north pole (1). The seam column is doubled and
    each pole triangle gets its own pole vertex."""
    mesh = Mesh(name, material)
    rows = []
    for ring in range(MARKER_RINGS + 1):
        latitude = math.pi * ring / MARKER_RINGS - math.pi / 2.0
        row = []
        for segment in range(MARKER_SEGMENTS + 1):
            if ring in (0, MARKER_RINGS) and segment == MARKER_SEGMENTS:
                break
            u = (segment + (0.5 if ring in (0, MARKER_RINGS) else 0.0)) / MARKER_SEGMENTS
            # The seam column repeats column 0's position exactly.
            longitude = 2.0 * math.pi * (segment % MARKER_SEGMENTS) / MARKER_SEGMENTS
            normal = (math.cos(latitude) * math.sin(longitude), math.sin(latitude),
                      math.cos(latitude) * math.cos(longitude))
            if ring in (0, MARKER_RINGS):
                normal = (0.0, math.copysign(1.0, latitude), 0.0)
            row.append(mesh.add_vertex(scale(normal, radius), normal, (u, ring / MARKER_RINGS)))
        rows.append(row)
    for segment in range(MARKER_SEGMENTS):
        mesh.add_triangle(rows[0][segment], rows[1][segment + 1], rows[1][segment])
        top = MARKER_RINGS
        mesh.add_triangle(rows[top][segment], rows[top - 1][segment], rows[top - 1][segment + 1])
        for ring in range(1, MARKER_RINGS - 1):
            a, b = rows[ring][segment], rows[ring][segment + 1]
            c, d = rows[ring + 1][segment + 1], rows[ring + 1][segment]
            mesh.add_triangle(a, b, c)
            mesh.add_triangle(a, c, d)
    return mesh


def check_facing(mesh, point, away):
    """Every triangle must face away from (or, for the room, towards) a
    point: catches a face whose hand-written normal has the wrong sign."""
    for a, b, c in mesh.triangles:
        pa, pb, pc = mesh.positions[a], mesh.positions[b], mesh.positions[c]
        facing = dot(cross(sub(pb, pa), sub(pc, pa)), sub(pa, point))
        if (facing <= 0.0) if away else (facing >= 0.0):
            raise ValueError("triangle facing the wrong way in " + mesh.name)


def check_closed(mesh):
    """Each edge, compared by position, is used once in each direction."""
    edges = {}
    for tri in mesh.triangles:
        for k in range(3):
            start = mesh.positions[tri[k]]
            end = mesh.positions[tri[(k + 1) % 3]]
            key = (start, end)
            edges[key] = edges.get(key, 0) + 1
    for (start, end), count in edges.items():
        if edges.get((end, start), 0) != count:
            raise ValueError("open edge %s-%s in %s" % (start, end, mesh.name))


# ---------------------------------------------------------------------------
# Collada writing
# ---------------------------------------------------------------------------

class Xml:
    def __init__(self):
        self.lines = ['<?xml version="1.0" encoding="utf-8"?>']
        self.depth = 0

    def line(self, text):
        self.lines.append("  " * self.depth + text)

    def open(self, text):
        self.line(text)
        self.depth += 1

    def close(self, tag):
        self.depth -= 1
        self.line("</%s>" % tag)

    def text(self):
        return "\n".join(self.lines) + "\n"


def write_asset(xml):
    xml.open("<asset>")
    xml.open("<contributor>")
    xml.line("<authoring_tool>Glimmerhall tools/generate_scene.py</authoring_tool>")
    xml.close("contributor")
    xml.line("<created>%s</created>" % ASSET_TIMESTAMP)
    xml.line("<modified>%s</modified>" % ASSET_TIMESTAMP)
    xml.line('<unit name="meter" meter="1"/>')
    xml.line("<up_axis>Y_UP</up_axis>")
    xml.close("asset")


def write_float_source(xml, source_id, values, params, param_type="float", decimals=6):
    count = len(values) // len(params) if param_type == "float" else len(values) // 16
    stride = len(params) if param_type == "float" else 16
    xml.open('<source id="%s">' % source_id)
    xml.line('<float_array id="%s-array" count="%d">%s</float_array>'
             % (source_id, len(values), fmt_all(values, decimals)))
    xml.open("<technique_common>")
    xml.open('<accessor source="#%s-array" count="%d" stride="%d">' % (source_id, count, stride))
    for param in params:
        xml.line('<param name="%s" type="%s"/>' % (param, param_type))
    xml.close("accessor")
    xml.close("technique_common")
    xml.close("source")


def write_images(xml, materials):
    xml.open("<library_images>")
    for _, diffuse, normal in materials:
        for image in (diffuse, normal):
            stem = image.split(".")[0]
            xml.open('<image id="%s-image" name="%s">' % (stem, stem))
            xml.line("<init_from>../texture/%s</init_from>" % image)
            xml.close("image")
    xml.close("library_images")


def write_effects(xml, materials):
    xml.open("<library_effects>")
    for name, diffuse, normal in materials:
        xml.open('<effect id="%s-effect">' % name)
        xml.open("<profile_COMMON>")
        for image in (diffuse, normal):
            stem = image.split(".")[0]
            xml.open('<newparam sid="%s-surface">' % stem)
            xml.open('<surface type="2D">')
            xml.line("<init_from>%s-image</init_from>" % stem)
            xml.close("surface")
            xml.close("newparam")
            xml.open('<newparam sid="%s-sampler">' % stem)
            xml.open("<sampler2D>")
            xml.line("<source>%s-surface</source>" % stem)
            xml.close("sampler2D")
            xml.close("newparam")
        xml.open('<technique sid="common">')
        xml.open("<phong>")
        # The renderer takes its normal map from Assimp's LIGHTMAP slot,
        # which is what a Collada <ambient> texture imports as.
        xml.open("<ambient>")
        xml.line('<texture texture="%s-sampler" texcoord="UVMap"/>' % normal.split(".")[0])
        xml.close("ambient")
        xml.open("<diffuse>")
        xml.line('<texture texture="%s-sampler" texcoord="UVMap"/>' % diffuse.split(".")[0])
        xml.close("diffuse")
        xml.open("<specular>")
        xml.line("<color>0.2 0.2 0.2 1</color>")
        xml.close("specular")
        xml.open("<shininess>")
        xml.line("<float>7</float>")
        xml.close("shininess")
        xml.close("phong")
        xml.close("technique")
        xml.close("profile_COMMON")
        xml.close("effect")
    xml.close("library_effects")


def write_materials(xml, materials):
    xml.open("<library_materials>")
    for name, _, _ in materials:
        xml.open('<material id="%s-material" name="%s">' % (name, name))
        xml.line('<instance_effect url="#%s-effect"/>' % name)
        xml.close("material")
    xml.close("library_materials")


def write_geometries(xml, meshes):
    xml.open("<library_geometries>")
    for mesh in meshes:
        mesh_id = mesh.name + "-mesh"
        xml.open('<geometry id="%s" name="%s">' % (mesh_id, mesh.name))
        xml.open("<mesh>")
        write_float_source(xml, mesh_id + "-positions",
                           [c for p in mesh.positions for c in p], ["X", "Y", "Z"])
        write_float_source(xml, mesh_id + "-normals",
                           [c for n in mesh.normals for c in n], ["X", "Y", "Z"])
        write_float_source(xml, mesh_id + "-uvs",
                           [c for uv in mesh.uvs for c in uv], ["S", "T"])
        xml.open('<vertices id="%s-vertices">' % mesh_id)
        xml.line('<input semantic="POSITION" source="#%s-positions"/>' % mesh_id)
        xml.close("vertices")
        xml.open('<triangles material="%s-material" count="%d">' % (mesh.material, len(mesh.triangles)))
        xml.line('<input semantic="VERTEX" source="#%s-vertices" offset="0"/>' % mesh_id)
        xml.line('<input semantic="NORMAL" source="#%s-normals" offset="0"/>' % mesh_id)
        xml.line('<input semantic="TEXCOORD" source="#%s-uvs" offset="0" set="0"/>' % mesh_id)
        xml.line("<p>%s</p>" % " ".join(str(i) for tri in mesh.triangles for i in tri))
        xml.close("triangles")
        xml.close("mesh")
        xml.close("geometry")
    xml.close("library_geometries")


def write_node_open(xml, name, matrix):
    xml.open('<node id="%s" name="%s" sid="%s" type="NODE">' % (name, name, name))
    xml.line('<matrix sid="transform">%s</matrix>' % fmt_all(flatten(matrix), 8))


def write_geometry_node(xml, name, matrix, mesh):
    write_node_open(xml, name, matrix)
    xml.open('<instance_geometry url="#%s-mesh" name="%s">' % (mesh.name, name))
    xml.open("<bind_material>")
    xml.open("<technique_common>")
    xml.open('<instance_material symbol="%s-material" target="#%s-material">'
             % (mesh.material, mesh.material))
    xml.line('<bind_vertex_input semantic="UVMap" input_semantic="TEXCOORD" input_set="0"/>')
    xml.close("instance_material")
    xml.close("technique_common")
    xml.close("bind_material")
    xml.close("instance_geometry")
    xml.close("node")


def write_matrix_animation(xml, name, node, times, matrices):
    """One float4x4 sampler with linear interpolation driving the node's
    <matrix sid="transform">."""
    xml.open("<library_animations>")
    xml.open('<animation id="%s" name="%s">' % (name, name))
    write_float_source(xml, name + "-input", times, ["TIME"])
    write_float_source(xml, name + "-output", [v for m in matrices for v in flatten(m)],
                       ["TRANSFORM"], "float4x4", 8)
    xml.open('<source id="%s-interpolation">' % name)
    xml.line('<Name_array id="%s-interpolation-array" count="%d">%s</Name_array>'
             % (name, len(times), " ".join(["LINEAR"] * len(times))))
    xml.open("<technique_common>")
    xml.open('<accessor source="#%s-interpolation-array" count="%d" stride="1">' % (name, len(times)))
    xml.line('<param name="INTERPOLATION" type="name"/>')
    xml.close("accessor")
    xml.close("technique_common")
    xml.close("source")
    xml.open('<sampler id="%s-sampler">' % name)
    for semantic, suffix in (("INPUT", "input"), ("OUTPUT", "output"), ("INTERPOLATION", "interpolation")):
        xml.line('<input semantic="%s" source="#%s-%s"/>' % (semantic, name, suffix))
    xml.close("sampler")
    xml.line('<channel source="#%s-sampler" target="%s/transform"/>' % (name, node))
    xml.close("animation")
    xml.close("library_animations")


def open_collada():
    xml = Xml()
    xml.open('<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">')
    write_asset(xml)
    return xml


def open_visual_scene(xml):
    xml.open("<library_visual_scenes>")
    xml.open('<visual_scene id="Scene" name="Scene">')


def close_collada(xml):
    xml.close("visual_scene")
    xml.close("library_visual_scenes")
    xml.open("<scene>")
    xml.line('<instance_visual_scene url="#Scene"/>')
    xml.close("scene")
    xml.close("COLLADA")
    return xml.text()


def write_textured_meshes(xml, materials, meshes):
    write_images(xml, materials)
    write_effects(xml, materials)
    write_materials(xml, materials)
    write_geometries(xml, meshes)


SCENE_MATERIALS = [
    ("floor", "floor_diffuse.png", "floor_normal.png"),
    ("wall", "wall_diffuse.png", "wall_normal.png"),
    ("stone", "steps_diffuse.png", "steps_normal.png"),
    ("wood", "pillar_diffuse.png", "pillar_normal.png"),
]
MARKER_MATERIALS = [("light_marker", "light_diffuse.png", "normal_up.png")]


def scene_nodes():
    """(node name, node matrix, mesh) for every solid of the room."""
    pillar = build_box_mesh("pillar", PILLAR_SIZE)
    block_floor = build_box_mesh("block_floor", BLOCK_FLOOR_SIZE)
    block_steps = build_box_mesh("block_steps", BLOCK_STEPS_SIZE)
    identity = translation_matrix((0.0, 0.0, 0.0))
    nodes = [("floor", identity, build_floor()),
             ("walls", identity, build_walls()),
             ("steps", identity, build_steps())]
    for name in sorted(PILLAR_POSITIONS):
        nodes.append((name, translation_matrix(PILLAR_POSITIONS[name]), pillar))
    nodes.append(("block_floor", turned_matrix(BLOCK_FLOOR_POSITION, BLOCK_FLOOR_TURN_DEGREES),
                  block_floor))
    nodes.append(("block_steps", translation_matrix(BLOCK_STEPS_POSITION), block_steps))
    return nodes


def check_scene_meshes(nodes):
    room_centre = (0.0, WALL_HEIGHT / 2.0, 0.0)
    for name, _, mesh in nodes:
        if name in ("floor", "walls"):
            check_facing(mesh, room_centre, away=False)
            continue
        check_closed(mesh)
        if name != "steps":
            check_facing(mesh, (0.0, max(p[1] for p in mesh.positions) / 2.0, 0.0), away=True)


def steps_collada():
    nodes = scene_nodes()
    check_scene_meshes(nodes)
    meshes = []
    for _, _, mesh in nodes:
        if mesh not in meshes:
            meshes.append(mesh)
    xml = open_collada()
    write_textured_meshes(xml, SCENE_MATERIALS, meshes)
    open_visual_scene(xml)
    for name, matrix, mesh in nodes:
        write_geometry_node(xml, name, matrix, mesh)
    return close_collada(xml)


def light_keys():
    return loop_key_times(LIGHT_PERIOD, LIGHT_KEY_STEP, light_position)


def marker_collada():
    sphere = build_sphere("light_marker", "light_marker", MARKER_RADIUS)
    check_facing(sphere, (0.0, 0.0, 0.0), away=True)
    check_closed(sphere)
    times, positions = light_keys()
    xml = open_collada()
    write_textured_meshes(xml, MARKER_MATERIALS, [sphere])
    write_matrix_animation(xml, "light_marker_path", "light_marker", times,
                           [translation_matrix(p) for p in positions])
    open_visual_scene(xml)
    write_geometry_node(xml, "light_marker", translation_matrix(positions[0]), sphere)
    return close_collada(xml)


def point_light_collada():
    times, positions = light_keys()
    # The program places the light at M (1, 1, 1, 1), so each key is moved
    # back by (1, 1, 1); the node's own transform is the light itself.
    offset_keys = [translation_matrix(sub(p, (1.0, 1.0, 1.0))) for p in positions]
    xml = open_collada()
    xml.open("<library_lights>")
    xml.open('<light id="point_light-light" name="point_light">')
    xml.open("<technique_common>")
    xml.open("<point>")
    xml.line("<color>1 1 1</color>")
    xml.line("<constant_attenuation>1</constant_attenuation>")
    xml.line("<linear_attenuation>0.001</linear_attenuation>")
    xml.line("<quadratic_attenuation>0.001</quadratic_attenuation>")
    xml.close("point")
    xml.close("technique_common")
    xml.close("light")
    xml.close("library_lights")
    write_matrix_animation(xml, "point_light_path", "point_light", times, offset_keys)
    open_visual_scene(xml)
    write_node_open(xml, "point_light", translation_matrix(positions[0]))
    xml.line('<instance_light url="#point_light-light"/>')
    xml.close("node")
    return close_collada(xml)


def camera_keys():
    return loop_key_times(CAMERA_PERIOD, CAMERA_KEY_STEP,
                          lambda t: look_at_matrix(camera_eye(t), camera_target(t)))


def camera_collada():
    times, poses = camera_keys()
    xml = open_collada()
    xml.open("<library_cameras>")
    xml.open('<camera id="camera-camera" name="camera">')
    xml.open("<optics>")
    xml.open("<technique_common>")
    xml.open("<perspective>")
    xml.line("<yfov>%s</yfov>" % fmt(CAMERA_FOVY_DEGREES))
    xml.line("<aspect_ratio>%s</aspect_ratio>" % fmt(CAMERA_ASPECT))
    xml.line("<znear>0.1</znear>")
    xml.line("<zfar>100</zfar>")
    xml.close("perspective")
    xml.close("technique_common")
    xml.close("optics")
    xml.close("camera")
    xml.close("library_cameras")
    write_matrix_animation(xml, "camera_path", "camera", times, poses)
    open_visual_scene(xml)
    write_node_open(xml, "camera", poses[0])
    xml.line('<instance_camera url="#camera-camera"/>')
    xml.close("node")
    return close_collada(xml)


# ---------------------------------------------------------------------------
# Clearance and visibility checks on the paths
# ---------------------------------------------------------------------------

def box_distance(point, minimum, maximum):
    """Distance from a point to a solid box; 0 inside it."""
    outside = [max(lo - p, 0.0, p - hi) for p, lo, hi in zip(point, minimum, maximum)]
    return length(outside)


def solid_distance(point):
    """Distance from a world point to the nearest solid or room surface."""
    e = ROOM_HALF_EXTENT
    distances = [point[1], e - abs(point[0]), e - abs(point[2])]
    w = STEPS_HALF_WIDTH
    for i in range(STEP_COUNT):
        distances.append(box_distance(point, (-w, 0.0, BACK_WALL_Z), (w, step_top_y(i), step_front_z(i))))
    for position in PILLAR_POSITIONS.values():
        distances.append(local_box_distance(point, translation_matrix(position), PILLAR_SIZE))
    distances.append(local_box_distance(
        point, turned_matrix(BLOCK_FLOOR_POSITION, BLOCK_FLOOR_TURN_DEGREES), BLOCK_FLOOR_SIZE))
    distances.append(local_box_distance(point, translation_matrix(BLOCK_STEPS_POSITION), BLOCK_STEPS_SIZE))
    return min(distances)


def local_box_distance(point, matrix, size):
    """Distance to a box placed by a rigid node matrix (see centred_box)."""
    offset = sub(point, tuple(matrix[r][3] for r in range(3)))
    local = tuple(sum(matrix[r][c] * offset[r] for r in range(3)) for c in range(3))
    half_x, half_z = size[0] / 2.0, size[2] / 2.0
    return box_distance(local, (-half_x, 0.0, -half_z), (half_x, size[1], half_z))


def check_light_path():
    _, positions = light_keys()
    for start, end in zip(positions, positions[1:]):
        for k in range(11):
            point = add(start, scale(sub(end, start), k / 10.0))
            clearance = solid_distance(point)
            if clearance < MIN_LIGHT_CLEARANCE:
                raise ValueError("light path %.3f m from a surface at %s" % (clearance, point))


def check_camera_path():
    _, poses = camera_keys()
    must_see = [(0.0, step_top_y(STEP_COUNT - 1), BACK_WALL_Z), (0.0, 0.0, step_front_z(0)),
                (-STEPS_HALF_WIDTH, step_top_y(STEP_COUNT - 1), step_front_z(STEP_COUNT - 1)),
                (STEPS_HALF_WIDTH, step_top_y(STEP_COUNT - 1), step_front_z(STEP_COUNT - 1)),
                BLOCK_FLOOR_POSITION, BLOCK_STEPS_POSITION]
    for position in PILLAR_POSITIONS.values():
        must_see.append(position)
        must_see.append(add(position, (0.0, PILLAR_SIZE[1], 0.0)))
    tan_half = math.tan(math.radians(CAMERA_FOVY_DEGREES) / 2.0)
    for pose in poses:
        eye = tuple(pose[r][3] for r in range(3))
        clearance = solid_distance(eye)
        if clearance < MIN_CAMERA_CLEARANCE:
            raise ValueError("camera %.3f m from a surface at %s" % (clearance, eye))
        for point in must_see:
            offset = sub(point, eye)
            x, y, z = (sum(pose[r][c] * offset[r] for r in range(3)) for c in range(3))
            if z >= 0.0 or abs(x / -z) > tan_half * CAMERA_ASPECT or abs(y / -z) > tan_half:
                raise ValueError("camera at %s does not show %s" % (eye, point))


# ---------------------------------------------------------------------------
# PNG writing and procedural textures
# ---------------------------------------------------------------------------

def png_bytes(width, height, channels, pixels):
    """pixels: rows from the top, each a flat list of 0..255 ints."""
    colour_type = {3: 2, 4: 6}[channels]
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        raw.extend(row)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def hash01(x, y, seed):
    """Deterministic lattice noise value in [0, 1)."""
    n = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    n ^= n >> 16
    return n / 4294967296.0


def smooth(t):
    return t * t * (3.0 - 2.0 * t)


def value_noise(size, cells, seed):
    """Seamless smooth noise in [0, 1): a cells x cells lattice over the
    texture, wrapped at its edges."""
    step = size / cells
    columns = []
    for x in range(size):
        position = x / step
        cell = int(position)
        columns.append((cell % cells, (cell + 1) % cells, smooth(position - cell)))
    lattice = [[hash01(i, j, seed) for i in range(cells)] for j in range(cells)]
    field = []
    for y in range(size):
        j0, j1, fy = columns[y]
        row0, row1 = lattice[j0], lattice[j1]
        row = []
        for i0, i1, fx in columns:
            top = row0[i0] + (row0[i1] - row0[i0]) * fx
            bottom = row1[i0] + (row1[i1] - row1[i0]) * fx
            row.append(top + (bottom - top) * fy)
        field.append(row)
    return field


def fractal_noise(size, base_cells, octaves, seed):
    """Sum of value noise octaves, normalised back into [0, 1)."""
    total = [[0.0] * size for _ in range(size)]
    weight, amplitude = 0.0, 1.0
    for octave in range(octaves):
        layer = value_noise(size, base_cells << octave, seed + 101 * octave)
        for y in range(size):
            total_row, layer_row = total[y], layer[y]
            for x in range(size):
                total_row[x] += layer_row[x] * amplitude
        weight += amplitude
        amplitude *= 0.5
    return [[v / weight for v in row] for row in total]


def clamp_byte(value):
    return max(0, min(255, int(round(value))))


def colour_rows(size, colour_at):
    return [[c for x in range(size) for c in (clamp_byte(v) for v in colour_at(x, y))]
            for y in range(size)]


def normal_rows(height, strength):
    """Tangent-space normals of a seamless height field (rows from the top,
    so +v is towards smaller row numbers), as opaque RGBA."""
    size = len(height)
    rows = []
    for y in range(size):
        above, here, below = height[(y - 1) % size], height[y], height[(y + 1) % size]
        row = []
        for x in range(size):
            du = (here[(x + 1) % size] - here[(x - 1) % size]) * 0.5 * strength
            dv = (above[x] - below[x]) * 0.5 * strength
            n = normalize((-du, -dv, 1.0))
            row.extend((clamp_byte((n[0] * 0.5 + 0.5) * 255.0), clamp_byte((n[1] * 0.5 + 0.5) * 255.0),
                        clamp_byte((n[2] * 0.5 + 0.5) * 255.0), 255))
        rows.append(row)
    return rows


def bevel(distance, width):
    """0 in a joint, rising smoothly to 1 at width pixels from it."""
    return smooth(min(max(distance / width, 0.0), 1.0))


def tile_layout(size):
    """Floor tiles: 2 x 2 per texture (1 m each), 4 px grout."""
    tile = size // 2

    def cell(x, y):
        return (x // tile, y // tile), min(x % tile, tile - 1 - x % tile, y % tile, tile - 1 - y % tile)
    return cell


def brick_layout(size):
    """Bricks 0.5 x 0.25 m in running bond: 4 x 8 per texture."""
    brick_w, brick_h = size // 4, size // 8

    def cell(x, y):
        row = y // brick_h
        shifted = (x + (brick_w // 2 if row % 2 else 0)) % size
        column = shifted // brick_w
        gx, gy = shifted % brick_w, y % brick_h
        return (column, row), min(gx, brick_w - 1 - gx, gy, brick_h - 1 - gy)
    return cell


def plank_layout(size):
    """Vertical planks 0.25 x 1 m: 8 across the texture, each column's
    joints shifted by a height of its own."""
    plank_w, plank_h = size // 8, size // 2

    def cell(x, y):
        column = x // plank_w
        shifted = (y - int(hash01(column, 7, 31) * size)) % size
        gx, gy = x % plank_w, shifted % plank_h
        return (column, shifted // plank_h), min(gx, plank_w - 1 - gx, gy, plank_h - 1 - gy)
    return cell


def floor_textures(size):
    cell = tile_layout(size)
    grain = fractal_noise(size, 8, 4, 11)
    palette = [(196, 176, 150), (178, 160, 138), (205, 190, 165), (170, 150, 128)]

    def colour(x, y):
        (cx, cy), edge = cell(x, y)
        if edge < 2:
            return (92, 88, 82)
        base = palette[int(hash01(cx, cy, 5) * len(palette))]
        shade = 0.88 + 0.24 * grain[y][x]
        return tuple(c * shade for c in base)

    height = [[bevel(cell(x, y)[1] - 1.5, 3.0) + 0.04 * grain[y][x] for x in range(size)]
              for y in range(size)]
    return colour_rows(size, colour), normal_rows(height, 2.5)


def wall_textures(size):
    cell = brick_layout(size)
    grain = fractal_noise(size, 16, 3, 23)
    coarse = fractal_noise(size, 4, 2, 29)

    def colour(x, y):
        (cx, cy), edge = cell(x, y)
        if edge < 2:
            return (150, 144, 132)
        tint = hash01(cx, cy, 13)
        base = (150 + 40 * tint, 62 + 18 * tint, 44 + 10 * tint)
        shade = 0.8 + 0.25 * grain[y][x] + 0.15 * coarse[y][x]
        return tuple(c * shade for c in base)

    height = [[bevel(cell(x, y)[1] - 1.5, 2.0) + 0.15 * grain[y][x] for x in range(size)]
              for y in range(size)]
    return colour_rows(size, colour), normal_rows(height, 3.0)


def steps_textures(size):
    grain = fractal_noise(size, 8, 5, 41)
    speckle_seed = 47

    def colour(x, y):
        edge = min(x, size - 1 - x, y, size - 1 - y)
        if edge < 1:
            return (96, 96, 98)
        value = 118 + 70 * grain[y][x]
        if hash01(x, y, speckle_seed) > 0.985:
            value *= 0.7
        return (value, value * 0.99, value * 0.96)

    height = [[0.35 * grain[y][x] + bevel(min(x, size - 1 - x, y, size - 1 - y) - 0.5, 2.0)
               for x in range(size)] for y in range(size)]
    return colour_rows(size, colour), normal_rows(height, 4.0)


def pillar_textures(size):
    cell = plank_layout(size)
    warp = fractal_noise(size, 4, 3, 53)

    def rings(x, y):
        (cx, _), _ = cell(x, y)
        phase = x * 0.19 + 7.0 * warp[y][x] + 5.0 * hash01(cx, 1, 59)
        fraction = phase - math.floor(phase)
        return smooth(abs(fraction * 2.0 - 1.0))

    def colour(x, y):
        (cx, cy), edge = cell(x, y)
        if edge < 1:
            return (58, 38, 22)
        tint = 0.85 + 0.3 * hash01(cx, cy, 61)
        ring = rings(x, y)
        return (tint * (150 + 45 * ring), tint * (100 + 32 * ring), tint * (58 + 20 * ring))

    height = [[bevel(cell(x, y)[1] - 0.5, 2.0) + 0.08 * rings(x, y) for x in range(size)]
              for y in range(size)]
    return colour_rows(size, colour), normal_rows(height, 2.5)


def light_texture(size):
    glow = fractal_noise(size, 4, 2, 67)
    return colour_rows(size, lambda x, y: (255, 200 + 40 * glow[y][x], 40 + 30 * glow[y][x]))


def checkerboard_texture(size):
    square = size // 8

    def colour(x, y):
        return (200, 200, 200) if (x // square + y // square) % 2 == 0 else (64, 64, 64)
    return colour_rows(size, colour)


def flat_normal_texture(size):
    return colour_rows(size, lambda x, y: (128, 128, 255))


def texture_files(size):
    files = {"checkerboard.png": png_bytes(size, size, 3, checkerboard_texture(size)),
             "normal_up.png": png_bytes(size, size, 3, flat_normal_texture(size)),
             "light_diffuse.png": png_bytes(size, size, 3, light_texture(size))}
    for stem, make in (("floor", floor_textures), ("wall", wall_textures),
                       ("steps", steps_textures), ("pillar", pillar_textures)):
        diffuse, normal = make(size)
        files[stem + "_diffuse.png"] = png_bytes(size, size, 3, diffuse)
        files[stem + "_normal.png"] = png_bytes(size, size, 4, normal)
    return files


# ---------------------------------------------------------------------------
# Driver
# ---------------------------------------------------------------------------

def generate():
    """Every output file: path relative to the repository -> bytes."""
    check_light_path()
    check_camera_path()
    files = {"res/assets/steps.dae": steps_collada().encode("utf-8"),
             "res/assets/point_light_sphere.dae": marker_collada().encode("utf-8"),
             "res/assets/point_light.dae": point_light_collada().encode("utf-8"),
             "res/assets/camera.dae": camera_collada().encode("utf-8")}
    for name, data in texture_files(TEXTURE_SIZE).items():
        files["res/texture/" + name] = data
    return dict(sorted(files.items()))


def write_files(root, files):
    for relative, data in files.items():
        path = root / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


def check(files):
    with tempfile.TemporaryDirectory() as scratch:
        write_files(Path(scratch), files)
        stale = [relative for relative in files
                 if not (REPOSITORY / relative).is_file()
                 or not filecmp.cmp(Path(scratch) / relative, REPOSITORY / relative, shallow=False)]
    for relative in stale:
        print("out of date: " + relative)
    if stale:
        print("run tools/%s to regenerate" % Path(sys.argv[0]).name)
        return 1
    print("all %d generated files are up to date" % len(files))
    return 0


def run(argv, description, generate_files):
    """The command line of a generator: write its files, or --check them."""
    parser = argparse.ArgumentParser(description=description)
    target = parser.add_mutually_exclusive_group()
    target.add_argument("--output", type=Path, help="write under this folder instead")
    target.add_argument("--check", action="store_true",
                        help="compare the committed files with a fresh generation")
    arguments = parser.parse_args(argv)
    try:
        files = generate_files()
    except ValueError as error:
        print("scene rejected: %s" % error)
        return 1
    if arguments.check:
        return check(files)
    write_files(arguments.output or REPOSITORY, files)
    return 0


def main(argv):
    return run(argv, "Generate the scene models, camera and light paths and textures.", generate)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
