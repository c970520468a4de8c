#!/usr/bin/env python3
"""Writes the seed corpora: small frames at each depth through each host path for the effect,
and command lines and small image files of each format for the command-line renderer.

Rerun after changing a fuzz target's input layout:  python3 fuzz/make_seeds.py
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def effect_seed(depth, premiere, unknown, width, height, pad, layer_width, controls, pixels):
    mode = depth | (4 if premiere else 0) | (8 if unknown else 0)
    out = bytes([mode]) + struct.pack('<HHB', width, height, pad) + struct.pack('<ii', layer_width, 0x7a7a7a7a)
    for slot in range(1, 26):
        choice = controls.get(slot)
        if choice is None:
            out += b'\x00'
        elif isinstance(choice, str):
            out += {'min': b'\x04', 'max': b'\x05'}[choice]
        elif -128 <= choice < 128 and slot in (1, 2, 4, 10, 18, 22):
            out += b'\x02' + struct.pack('<b', choice)
        else:
            out += b'\x01' + struct.pack('<i', choice)
    return out + pixels


def floats(*values):
    return b''.join(struct.pack('<f', v) for v in values)


def write_effect_seeds():
    folder = os.path.join(HERE, 'corpus', 'effect_main')
    ramp8 = bytes(range(0, 256, 7))
    seeds = {
        'defaults-8bit': effect_seed(0, False, False, 40, 30, 2, 40, {}, ramp8),
        'defaults-16bit': effect_seed(1, False, False, 33, 21, 1, 66, {}, ramp8 + b'\xff\xff\x00\x80'),
        'defaults-float': effect_seed(2, False, False, 24, 24, 0, 24, {}, floats(1.0, 0.25, -0.5, 2.0, 0.75, 0.1)),
        'premiere-8bit': effect_seed(0, True, False, 17, 40, 3, 17, {}, ramp8),
        'premiere-float-inf': effect_seed(2, True, False, 20, 20, 0, 20, {1: 8},
                                          floats(float('inf'), 0.5, -float('inf'), 0.2, 1.0, 0.3)),
        'preset-bold-strokes': effect_seed(0, False, False, 64, 48, 0, 128, {1: 16}, ramp8),
        'circles-16bit': effect_seed(1, False, False, 50, 40, 0, 50, {4: 5, 5: 50 * 65536, 11: 70 * 65536}, ramp8),
        'extremes': effect_seed(2, False, False, 30, 30, 4, -1, {5: 'max', 7: 'min', 9: 'max', 12: 'min', 24: 'max'},
                                floats(float('nan'), 1e30, -1e30, 0.5)),
        'unknown-format': effect_seed(0, False, True, 10, 10, 0, 10, {}, ramp8),
        'empty-frame': effect_seed(0, False, False, 0, 7, 0, 0, {}, b''),
        'one-pixel-float': effect_seed(2, False, False, 1, 1, 0, 1000000, {1: 3}, floats(1.0, 0.5, 0.5, 0.5)),
        'wide-row-grid': effect_seed(0, False, False, 300, 2, 16, 300, {22: 3, 23: 50 * 65536}, ramp8),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


def write_cli_seeds():
    folder = os.path.join(HERE, 'corpus', 'cli')
    command_lines = {
        'args-render': ['render', 'in.png', 'out.png', '--preset', 'Bold Strokes', '--set', 'Size=12'],
        'args-sequence': ['render', 'in.%04d.png', 'out.####.png', '--frames', '1-24', '--evolve', '--threads', '2'],
        'args-sheet': ['contact-sheet', 'in.exr', 'sheet.jpg', '--cell-width=200', '--depth', '32', '-q'],
        'args-sets': ['render', 'a.tif', 'b.tif', '--set', 'Shape type=Circle', '--set', 'Opacity=40%',
                      '--set', 'Fill=on', '--set', 'Line Width=1.8', '--max-pixels', '1000'],
        'args-errors': ['render', '--', '-odd.png', 'x.xyz', '--set', 'Count=1e3', '--frames', '3-1'],
    }
    for name, args in command_lines.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(b'\x00' + b'\x00'.join(a.encode() for a in args))
    extensions = ['.png', '.jpg', '.exr', '.tif', '.ppm', '.bmp', '.tga', '.hdr']
    with tempfile.TemporaryDirectory() as scratch:
        for index, ext in enumerate(extensions):
            path = os.path.join(scratch, 'seed' + ext)
            data_format = {'.exr': 'half', '.hdr': 'float', '.tif': 'uint16'}.get(ext, 'uint8')
            subprocess.run(['oiiotool', '--pattern', 'fill:topleft=1,0,0,1:topright=0,1,0,0.5:'
                            'bottomleft=0,0,1,1:bottomright=1,1,1,0', '8x6', '4', '-d', data_format, '-o', path],
                           check=True)
            with open(path, 'rb') as f:
                data = f.read()
            with open(os.path.join(folder, 'image' + ext.replace('.', '-')), 'wb') as f:
                f.write(bytes([1, index]) + data)  # 1: an image file; index: its extension


if __name__ == '__main__':
    write_effect_seeds()
    write_cli_seeds()
