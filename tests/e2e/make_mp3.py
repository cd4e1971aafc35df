#!/usr/bin/env python3
"""Encodes a WAV file as MP3 with GStreamer's lamemp3enc, through libgstreamer itself (ctypes),
so that no encoder program is needed beyond the GStreamer plugins the player uses anyway.
Usage: make_mp3.py IN.wav OUT.mp3   Exit status 77 when GStreamer or its MP3 encoder is missing."""
import ctypes
import os
import sys

GST_STATE_NULL, GST_STATE_PLAYING = 1, 4
GST_MESSAGE_EOS, GST_MESSAGE_ERROR = 1, 2
GST_CLOCK_TIME_NONE = 2**64 - 1


def main():
    src, dst = sys.argv[1], sys.argv[2]
    try:
        gst = ctypes.CDLL("libgstreamer-1.0.so.0")
    except OSError:
        print("make_mp3: libgstreamer-1.0 is missing", file=sys.stderr)
        return 77
    gst.gst_init(None, None)
    gst.gst_element_factory_find.restype = ctypes.c_void_p
    gst.gst_element_factory_find.argtypes = [ctypes.c_char_p]
    if not gst.gst_element_factory_find(b"lamemp3enc"):
        print("make_mp3: GStreamer's lamemp3enc is missing", file=sys.stderr)
        return 77
    gst.gst_parse_launch.restype = ctypes.c_void_p
    gst.gst_parse_launch.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
    gst.gst_element_set_state.argtypes = [ctypes.c_void_p, ctypes.c_int]
    gst.gst_element_get_bus.restype = ctypes.c_void_p
    gst.gst_element_get_bus.argtypes = [ctypes.c_void_p]
    gst.gst_bus_timed_pop_filtered.restype = ctypes.c_void_p
    gst.gst_bus_timed_pop_filtered.argtypes = [ctypes.c_void_p, ctypes.c_uint64, ctypes.c_int]
    gst.gst_message_unref = getattr(gst, "gst_mini_object_unref")
    gst.gst_message_unref.argtypes = [ctypes.c_void_p]
    gst.gst_object_unref.argtypes = [ctypes.c_void_p]
    quote = lambda p: '"%s"' % os.path.abspath(p).replace('"', '\\"')
    pipeline = gst.gst_parse_launch(
        ("filesrc location=%s ! wavparse ! audioconvert ! lamemp3enc ! filesink location=%s"
         % (quote(src), quote(dst))).encode(), None)
    if not pipeline:
        print("make_mp3: the pipeline cannot be made", file=sys.stderr)
        return 1
    gst.gst_element_set_state(pipeline, GST_STATE_PLAYING)
    bus = gst.gst_element_get_bus(pipeline)
    msg = gst.gst_bus_timed_pop_filtered(bus, 60 * 10**9, GST_MESSAGE_EOS | GST_MESSAGE_ERROR)
    # An end-of-stream message carries no structure; an error message carries its error.
    ok = False
    if msg:
        gst.gst_message_get_structure.restype = ctypes.c_void_p
        gst.gst_message_get_structure.argtypes = [ctypes.c_void_p]
        ok = not gst.gst_message_get_structure(msg)
        gst.gst_message_unref(msg)
    gst.gst_element_set_state(pipeline, GST_STATE_NULL)
    gst.gst_object_unref(bus)
    gst.gst_object_unref(pipeline)
    if not ok or not os.path.getsize(dst):
        print("make_mp3: encoding %s failed" % src, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
