#!/usr/bin/env python3
"""Reference values for the track tests, computed from the track formulas alone.

Standard library only, double precision, the wrapping loops written out as
loops. Run it to regenerate reference_tracks.inc beside it:

    python3 tests/threedee/scene/reference_tracks.py > tests/threedee/scene/reference_tracks.inc

Each case is a track kind, a repeat mode, a width (components; 4 floats of axis
and angle for rotations; 3 per vertex for vertex lists), keys with their
tension, continuity, bias, ease from and ease to, and probes evaluated in order
on one track (step kinds keep their last value before the first key).
Rotation probes expect the 16 matrix entries.
"""
import math
import random
import struct

NONE, LOOP, REPEAT = 0, 1, 2


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


# ---- value tracks -------------------------------------------------------------

def wrap_interp(t, first, last):
    p = last - first
    while t > last:
        t -= p
    while t <= first:
        t += p
    return t


def wrap_step(t, first, last):
    p = last
    while t < first:
        t += p
    while t >= last:
        t -= p
    return t


def eval_step(keys, mode, t, before):
    """keys: [(time, values)]; returns the values, or `before` before the first key."""
    if not keys:
        return before
    if mode == REPEAT and len(keys) >= 2:
        t = wrap_step(t, keys[0][0], keys[-1][0])
    i = 0
    while i < len(keys) and keys[i][0] <= t:
        i += 1
    return keys[i - 1][1] if i > 0 else before


def eval_linear(keys, mode, t, smooth):
    if len(keys) == 1:
        return keys[0][1]
    first, last = keys[0][0], keys[-1][0]
    if mode == REPEAT:
        t = wrap_interp(t, first, last)
    else:
        if t >= last:
            return keys[-1][1]
        if t <= first:
            return keys[0][1]
    k = 0
    while k + 1 < len(keys) and keys[k + 1][0] <= t:
        k += 1
    tk, vk = keys[k]
    if t == tk:
        return vk
    t1, v1 = keys[k + 1]
    f = (t - tk) / (t1 - tk)
    if smooth:
        f = 3 * f * f - 2 * f * f * f
    return [a + f * (b - a) for a, b in zip(vk, v1)]


# ---- Kochanek-Bartels ---------------------------------------------------------

def kb_general(P, ti, tp, Pp, tq, Pq, T, C, B):
    rin = (ti - tp) / (tq - tp)
    rout = (tq - ti) / (tq - tp)
    gin = rin + abs(C) * (1 - rin)
    gout = rout + abs(C) * (1 - rout)
    tin, tout = [], []
    for c in range(len(P)):
        din = P[c] - Pp[c]
        dout = Pq[c] - P[c]
        tin.append(gin * ((1 - T) * (1 + C) * (1 + B) * din + (1 - T) * (1 - C) * (1 - B) * dout))
        tout.append(gout * ((1 - T) * (1 - C) * (1 + B) * din + (1 - T) * (1 + C) * (1 - B) * dout))
    return tin, tout


def kb_tangents(keys, mode):
    """keys: [(time, values, (T, C, B, ef, et))] -> [(in, out)]"""
    n = len(keys)
    w = len(keys[0][1]) if keys else 0
    zero = [0.0] * w
    tang = [(zero, zero) for _ in range(n)]
    if n <= 1:
        return tang
    t = [k[0] for k in keys]
    P = [k[1] for k in keys]
    T = [k[2][0] for k in keys]
    if mode == NONE:
        if n == 2:
            d = [b - a for a, b in zip(P[0], P[1])]
            tang[0] = (zero, [x * (1 - T[0]) for x in d])
            tang[1] = ([x * (1 - T[1]) for x in d], zero)
            return tang
        fr0 = (t[1] - t[0]) / (2 * (t[2] - t[0]))
        out0 = [(1 - T[0]) * (1.5 * (P[1][c] - P[0][c]) - fr0 * (P[2][c] - P[0][c])) for c in range(w)]
        tang[0] = (zero, out0)
        k = n - 1
        frk = (t[k] - t[k - 1]) / (2 * (t[k] - t[k - 2]))
        ink = [(1 - T[k]) * (1.5 * (P[k][c] - P[k - 1][c]) - frk * (P[k][c] - P[k - 2][c])) for c in range(w)]
        tang[k] = (ink, zero)
        for i in range(1, n - 1):
            tang[i] = kb_general(P[i], t[i], t[i - 1], P[i - 1], t[i + 1], P[i + 1], *keys[i][2][:3])
        return tang
    if n == 2:
        return tang
    period = t[-1] - t[0]
    for i in range(n):
        if i == 0:
            tp, Pp = t[n - 2] - period, P[n - 2]
        else:
            tp, Pp = t[i - 1], P[i - 1]
        if i == n - 1:
            tq, Pq = t[n - 1] - t[0] + t[1], P[1]
        else:
            tq, Pq = t[i + 1], P[i + 1]
        tang[i] = kb_general(P[i], t[i], tp, Pp, tq, Pq, *keys[i][2][:3])
    return tang


def kb_ease(u, ea, eb):
    if ea + eb == 0:
        return u
    if ea + eb > 1:
        s = ea + eb
        ea, eb = ea / s, eb / s
    k = 1 / (2 - ea - eb)
    if u < ea:
        return (k / ea) * u * u
    if u < 1 - eb:
        return k * (2 * u - ea)
    return 1 - (k / eb) * (1 - u) ** 2


def kb_locate(times, mode, t):
    """-> ('key', i) or ('seg', a, b, u)"""
    n = len(times)
    if n == 1:
        return ('key', 0)
    first, last = times[0], times[-1]
    period = last - first
    if mode == REPEAT:
        t = wrap_interp(t, first, last)
    else:
        if t >= last:
            return ('key', n - 1)
        if t <= first:
            return ('key', 0)
    b = 0
    while times[b] < t:
        b += 1
    if t == times[b]:
        return ('key', b)
    a, ta = b - 1, times[b - 1]
    if b == 1 and mode != NONE:
        a, ta = n - 1, last - period
    return ('seg', a, b, (t - ta) / (times[b] - ta))


def eval_kb(keys, tang, mode, t):
    where = kb_locate([k[0] for k in keys], mode, t)
    if where[0] == 'key':
        return keys[where[1]][1]
    _, a, b, u = where
    u = kb_ease(u, keys[a][2][3], keys[b][2][4])
    h00 = 2 * u ** 3 - 3 * u ** 2 + 1
    h01 = 3 * u ** 2 - 2 * u ** 3
    h10 = u ** 3 - 2 * u ** 2 + u
    h11 = u ** 3 - u ** 2
    return [h00 * pa + h01 * pb + h10 * oa + h11 * ib
            for pa, pb, oa, ib in zip(keys[a][1], keys[b][1], tang[a][1], tang[b][0])]


# ---- rotations ----------------------------------------------------------------

def qmul(p, q):
    px, py, pz, pw = p
    qx, qy, qz, qw = q
    return (pw * qx + qw * px + py * qz - pz * qy,
            pw * qy + qw * py + pz * qx - px * qz,
            pw * qz + qw * pz + px * qy - py * qx,
            pw * qw - px * qx - py * qy - pz * qz)


def qnorm(q):
    l = math.sqrt(sum(c * c for c in q))
    return tuple(c / l for c in q)


def quat(aa, scale=1.0):
    x, y, z, a = aa
    h = a * scale / 2
    return qnorm((x * math.sin(h), y * math.sin(h), z * math.sin(h), math.cos(h)))


def qmatrix(q):
    x, y, z, w = q
    return [1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
            2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
            2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
            0, 0, 0, 1]


def rodrigues_transposed(axis, angle):
    """The usual column-vector rotation about a unit axis, transposed."""
    x, y, z = axis
    c, s, C = math.cos(angle), math.sin(angle), 1 - math.cos(angle)
    r = [[c + x * x * C, x * y * C - z * s, x * z * C + y * s],
         [y * x * C + z * s, c + y * y * C, y * z * C - x * s],
         [z * x * C - y * s, z * y * C + x * s, c + z * z * C]]
    m = []
    for row in range(3):
        m += [r[0][row], r[1][row], r[2][row], 0]
    return m + [0, 0, 0, 1]


def orientations(keys):
    out = []
    for _, aa, _ in keys:
        q = quat(aa)
        out.append(q if not out else qnorm(qmul(out[-1], q)))
    return out


def eval_linear_quat(keys, mode, t, smooth):
    Q = orientations(keys)
    times = [k[0] for k in keys]
    n = len(keys)
    if n == 1:
        return Q[0]
    first, last = times[0], times[-1]
    period = last - first
    if mode == REPEAT:
        t = wrap_interp(t, first, last)
    else:
        if t >= last:
            return Q[-1]
        if t <= first:
            return Q[0]
    k = 0
    while times[k] < t:
        k += 1
    if t == times[k]:
        return Q[k]
    j, t0 = k - 1, times[k - 1]
    if j == 0 and mode != NONE:
        j, t0 = n - 1, last - period
    f = (t - t0) / (times[k] - t0)
    if smooth:
        f = 3 * f * f - 2 * f * f * f
    x, y, z, a = keys[k][1]
    h = f * a / 2
    return qmul(Q[j], (x * math.sin(h), y * math.sin(h), z * math.sin(h), math.cos(h)))


NO_ROTATION = (0.0, 0.0, 0.0, 1.0)


def scaled(aa, s):
    return (aa[0], aa[1], aa[2], aa[3] * s)


def kbq_prepare(keys, mode):
    """-> per key (in rotation, in weight, out rotation, out weight)"""
    n = len(keys)
    t = [k[0] for k in keys]
    rel = [k[1] for k in keys]
    res = [[NO_ROTATION, 0.0, NO_ROTATION, 0.0] for _ in range(n)]
    if n <= 1:
        return res

    def general(i, tp, tq, rel_next):
        T, C, B = keys[i][2][:3]
        rin = (t[i] - tp) / (tq - tp)
        rout = (tq - t[i]) / (tq - tp)
        gin = rin + abs(C) * (1 - rin)
        gout = rout + abs(C) * (1 - rout)
        res[i] = [scaled(rel_next, gin * (1 - T) * (1 + C) * (1 + B)), gin * (1 - T) * (1 - C) * (1 - B),
                  scaled(rel[i], gout * (1 - T) * (1 + C) * (1 - B)), gout * (1 - T) * (1 - C) * (1 + B)]

    if mode == NONE:
        T0 = keys[0][2][0]
        if n == 2:
            out0 = scaled(rel[1], 1 - T0)
            res[0] = [NO_ROTATION, 0.0, out0, 0.0]
            res[1] = [out0, 0.0, NO_ROTATION, 0.0]
            return res
        res[0] = [NO_ROTATION, 1.0, scaled(rel[1], (1 - T0) * (1 - (t[1] - t[0]) / (2 * (t[2] - t[0])))), 0.0]
        res[n - 1] = [NO_ROTATION, 1.0, NO_ROTATION, 1.0]
        for i in range(1, n - 1):
            general(i, t[i - 1], t[i + 1], rel[i + 1])
        return res
    period = t[-1] - t[0]
    for i in range(n):
        tp = t[n - 2] - period if i == 0 else t[i - 1]
        tq = t[n - 1] - t[0] + t[1] if i == n - 1 else t[i + 1]
        general(i, tp, tq, rel[1] if i == n - 1 else rel[i + 1])
    return res


def eval_kb_quat(keys, mode, t):
    Q = orientations(keys)
    prep = kbq_prepare(keys, mode)
    where = kb_locate([k[0] for k in keys], mode, t)
    if where[0] == 'key':
        return Q[where[1]]
    _, a, b, u = where
    u = kb_ease(u, keys[a][2][3], keys[b][2][4])
    h01 = 3 * u ** 2 - 2 * u ** 3
    h10 = u ** 3 - 2 * u ** 2 + u
    h11 = u ** 3 - u ** 2
    s = h10 * prep[a][3] + h01 + h11 * prep[b][1]
    q = qmul(Q[a], quat(prep[a][2], h10))
    q = qmul(q, quat(keys[b][1], s))
    return qmul(q, quat(prep[b][0], h11))


# ---- cases --------------------------------------------------------------------

ZERO_PARAMS = (0.0, 0.0, 0.0, 0.0, 0.0)


def run_case(kind, mode, width, keys, probes):
    """keys: [(time, values, params)]; returns [(time, expected)]"""
    out = []
    plain = [(k[0], k[1]) for k in keys]
    state = [0.0] * width
    tang = kb_tangents(keys, mode) if kind in ('kb', 'kb_morph') else None
    for t in probes:
        if kind == 'linear':
            v = eval_linear(plain, mode, t, False)
        elif kind == 'softy':
            v = eval_linear(plain, mode, t, True)
        elif kind in ('discreet', 'enum'):
            v = eval_step(plain, mode, t, [0.0] * width if kind == 'enum' else state)
        elif kind in ('kb', 'kb_morph'):
            v = eval_kb(keys, tang, mode, t)
        elif kind == 'linear_quat':
            v = qmatrix(eval_linear_quat(keys, mode, t, False))
        elif kind == 'softy_quat':
            v = qmatrix(eval_linear_quat(keys, mode, t, True))
        elif kind == 'kb_quat':
            v = qmatrix(eval_kb_quat(keys, mode, t))
        state = list(v)
        out.append((t, list(v)))
    return out


def key(t, values, params=ZERO_PARAMS):
    return (f32(t), [f32(v) for v in values], tuple(f32(p) for p in params))


Z = (0.0, 0.0, 1.0)
HALF_PI = f32(math.pi / 2)
PI = f32(math.pi)


def hand_cases():
    c = []
    lin = [key(0, [0]), key(10, [10])]
    c.append(('linear keys 0..10', 'linear', NONE, 1, lin, [2.5, -5, 15, 0, 10]))
    c.append(('linear repeat: first key time gives last key; 25 gives 5', 'linear', REPEAT, 1, lin,
              [0, 10, 20, 25, -7.5]))
    c.append(('linear loop holds the ends', 'linear', LOOP, 1, lin, [-5, 15, 5]))
    c.append(('softy smoothstep at a quarter', 'softy', NONE, 1, lin, [2.5, 7.5]))
    c.append(('discreet keeps a new track at zero before its first key', 'discreet', NONE, 1,
              [key(0, [1]), key(5, [2])], [-1, 4.9, 5, -1]))
    c.append(('step repeat period is the last key time', 'enum', REPEAT, 1,
              [key(1, [10]), key(2, [20]), key(3, [30])], [3.5, -5, 2.5, 7]))
    en = [key(0, [1]), key(10, [0])]
    c.append(('enum steps at keys', 'enum', NONE, 1, en, [-1, 0, 9.99, 10, 50]))
    c.append(('enum repeat never shows the last key', 'enum', REPEAT, 1, en, [10, 15, 20]))
    c.append(('kb three keys 0 1 4', 'kb', NONE, 1, [key(0, [0]), key(1, [1]), key(2, [4])],
              [0.5, 1.5, 1, -1, 3]))
    c.append(('kb repeat with two keys is constant', 'kb', REPEAT, 1, [key(0, [1]), key(4, [3])],
              [0, 1, 3.9, 4, 9]))
    c.append(('kb loop with two keys', 'kb', LOOP, 1, [key(0, [1]), key(4, [3])], [-1, 0, 1, 5]))
    c.append(('kb ease half and half', 'kb', NONE, 1,
              [key(0, [0], (0, 0, 0, 0.5, 0)), key(1, [1], (0, 0, 0, 0, 0.5))], [0.25, 0.75]))
    c.append(('kb eases above one are scaled to one', 'kb', NONE, 1,
              [key(0, [0], (0, 0, 0, 0.9, 0)), key(1, [1], (0, 0, 0, 0, 0.6))], [0.2, 0.5, 0.9]))
    c.append(('kb tension one: no tangents', 'kb', NONE, 2,
              [key(0, [0, 1], (1, 0, 0, 0, 0)), key(1, [2, 5], (1, 0, 0, 0, 0)),
               key(3, [-1, 0], (1, 0, 0, 0, 0))], [0.5, 2]))
    c.append(('rotation constant quarter turn about z', 'linear_quat', NONE, 4,
              [key(0, Z + (HALF_PI,))], [0, 100]))
    two = [key(0, Z + (0,)), key(10, Z + (HALF_PI,))]
    c.append(('rotation linear halfway', 'linear_quat', NONE, 4, two, [5]))
    c.append(('rotation softy quarter', 'softy_quat', NONE, 4, two, [2.5]))
    c.append(('rotation keys are relative', 'linear_quat', NONE, 4,
              [key(0, Z + (HALF_PI,)), key(10, Z + (HALF_PI,))], [10, 5]))
    three = [key(0, (1, 0, 0, 0.5)), key(4, Z + (1,)), key(10, (0, 1, 0, 2))]
    for mode in (NONE, LOOP, REPEAT):
        c.append(('rotation first segment under mode %d' % mode, 'linear_quat', mode, 4, three,
                  [2, 7, 0]))
    c.append(('kb rotation two keys halfway', 'kb_quat', NONE, 4, two, [5]))
    c.append(('kb rotation first key turns the track', 'kb_quat', NONE, 4,
              [key(0, (1, 0, 0, PI)), key(5, Z + (HALF_PI,)), key(9, Z + (1,))], [0, 2, 5, 7]))
    c.append(('kb rotation tension one', 'kb_quat', NONE, 4,
              [key(0, Z + (0,), (1, 0, 0, 0, 0)), key(4, Z + (1,), (1, 0, 0, 0, 0)),
               key(8, (0, 1, 0, 1), (1, 0, 0, 0, 0))], [2, 6, 7.9]))
    c.append(('kb morph two keys halfway', 'kb_morph', NONE, 6,
              [key(0, [0, 0, 0, 1, 2, 3]), key(2, [2, 4, 6, -1, 0, 1])], [1]))
    return c


def random_times(rng, n):
    t = [f32(rng.uniform(-5, 5))]
    for _ in range(n - 1):
        t.append(f32(t[-1] + rng.uniform(0.5, 5)))
    return t


def random_params(rng, kind):
    if kind not in ('kb', 'kb_morph', 'kb_quat'):
        return ZERO_PARAMS
    ef = rng.choice([0.0, rng.uniform(0, 0.8)])
    et = rng.choice([0.0, rng.uniform(0, 0.8)])
    return tuple(rng.uniform(-1, 1) for _ in range(3)) + (ef, et)


def random_probes(rng, times, mode, kind):
    first, last = times[0], times[-1]
    span = max(last - first, 1.0)
    marks = list(times)
    if mode == REPEAT and len(times) > 1:
        p = last if kind in ('discreet', 'enum') else last - first
        marks = [m + j * p for m in times for j in range(-8, 9)]
    probes = []
    while len(probes) < 12:
        t = f32(rng.uniform(first - 2 * span, last + 3 * span))
        if all(abs(t - m) > 1e-3 for m in marks):
            probes.append(t)
    return probes


def random_axis_angle(rng):
    v = [rng.gauss(0, 1) for _ in range(3)]
    l = math.sqrt(sum(x * x for x in v))
    return [v[0] / l, v[1] / l, v[2] / l, rng.uniform(-math.pi, math.pi)]


def random_cases():
    rng = random.Random(20261210)
    c = []
    for kind in ('linear', 'softy', 'discreet', 'enum', 'kb', 'linear_quat', 'softy_quat',
                 'kb_quat', 'kb_morph'):
        for mode in (NONE, LOOP, REPEAT):
            for n in (1, 2, 3, 6):
                if kind in ('discreet', 'enum') and mode == REPEAT:
                    # The step period is the last key's time: keep it positive.
                    times = sorted(f32(rng.uniform(0.5, 20)) for _ in range(n))
                    times = [t + i * 1e-2 for i, t in enumerate(times)]
                    times = [f32(t) for t in times]
                else:
                    times = random_times(rng, n)
                if kind in ('linear_quat', 'softy_quat', 'kb_quat'):
                    width = 4
                elif kind == 'kb_morph':
                    width = 6
                elif kind == 'enum':
                    width = 1
                else:
                    width = rng.randint(1, 3)
                keys = []
                for t in times:
                    if width == 4 and kind.endswith('quat'):
                        values = random_axis_angle(rng)
                    elif kind == 'enum':
                        values = [rng.randint(-5, 5)]
                    else:
                        values = [rng.uniform(-10, 10) for _ in range(width)]
                    keys.append(key(t, values, random_params(rng, kind)))
                c.append(('random %s mode %d keys %d' % (kind, mode, n), kind, mode, width, keys,
                          random_probes(rng, times, mode, kind)))
    return c


def self_check():
    # The matrix convention is the transpose of the usual rotation (Rodrigues).
    rng = random.Random(7)
    for _ in range(50):
        x, y, z, a = random_axis_angle(rng)
        m = qmatrix(quat((x, y, z, a)))
        r = rodrigues_transposed((x, y, z), a)
        assert all(abs(p - q) < 1e-12 for p, q in zip(m, r))


def lit(x):
    x = f32(x)
    if x == 0:
        return "0.0f"
    return repr(x) + "f"


def main():
    self_check()
    print("// Generated by reference_tracks.py; do not edit.")
    for name, kind, mode, width, keys, probes in hand_cases() + random_cases():
        rows = run_case(kind, mode, width, keys, probes)
        ks = ", ".join("{%s, {%s}, {%s}}" % (lit(t), ", ".join(lit(v) for v in vals),
                                               ", ".join(lit(p) for p in params))
                       for t, vals, params in keys)
        ps = ", ".join("{%s, {%s}}" % (lit(t), ", ".join(repr(v) for v in exp)) for t, exp in rows)
        print('{"%s", "%s", %d, %d, {%s}, {%s}},' % (name, kind, mode, width, ks, ps))


if __name__ == "__main__":
    main()
