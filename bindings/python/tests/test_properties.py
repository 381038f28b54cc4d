"""No input to qev3ds.write, whatever its shape, dtype or values, crashes the
interpreter: it is written and reads back, or it is refused with ValueError
or Qev3dsError and leaves no file."""

import os
import tempfile
import unittest

import numpy as np
from hypothesis import HealthCheck, given, settings, strategies as st
from hypothesis.extra import numpy as hnp

import qev3ds

DTYPES = st.sampled_from([np.float32, np.float64, np.float16, np.int8, np.int64, np.uint16, np.bool_,
                          np.complex64, np.object_])
SHAPES = st.one_of(st.tuples(st.integers(0, 6), st.just(3), st.just(3)),
                   st.tuples(st.integers(0, 6), st.just(9)),
                   hnp.array_shapes(min_dims=0, max_dims=4, max_side=5))


@st.composite
def layers(draw):
    dtype = draw(DTYPES)
    shape = draw(SHAPES)
    if dtype is np.object_:
        corners = np.empty(shape, object)
    else:
        corners = draw(hnp.arrays(dtype, shape))
    layer = {"name": draw(st.text(max_size=80)), "corners": corners,
             "texture": draw(st.sampled_from(["", "t.png", "x" * 80])),
             "colour": draw(st.tuples(st.integers(-70000, 70000), st.integers(0, 255), st.integers(0, 255))),
             "transparency": draw(st.integers(-5, 70000))}
    n = shape[0] if len(shape) else 0
    if draw(st.booleans()):
        layer["smoothing"] = draw(hnp.arrays(np.int64, draw(st.sampled_from([(n,), (n + 1,)])),
                                             elements=st.integers(-2 ** 40, 2 ** 40)))
    if draw(st.booleans()):
        layer["mapping"] = draw(hnp.arrays(np.float32, draw(st.sampled_from([(n, 3, 2), (n, 6), (n, 2)]))))
    return layer


class NoInputCrashes(unittest.TestCase):
    @settings(max_examples=300, deadline=None, suppress_health_check=list(HealthCheck))
    @given(st.lists(layers(), max_size=3))
    def test_write_is_written_or_refused(self, scene):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "p.3ds")
            try:
                qev3ds.write(path, scene)
            except (ValueError, qev3ds.Qev3dsError):
                self.assertFalse(os.path.exists(path))
                return
            back = qev3ds.read(path)
            self.assertEqual(len(back.layers), len(scene))

    @settings(max_examples=200, deadline=None)
    @given(st.binary(max_size=300))
    def test_read_of_any_bytes(self, data):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "b.3ds")
            with open(path, "wb") as f:
                f.write(b"MM" + data)
            try:
                qev3ds.read(path, face_materials=True)
            except qev3ds.Qev3dsError as e:
                self.assertEqual(e.status, 4)


if __name__ == "__main__":
    unittest.main()
