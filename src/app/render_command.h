// `--render IN --output OUT.wav [--rate HZ] [--interpolation none|linear]`: one pass of a song
// to a 16-bit stereo WAV file, without a sound device.
#pragma once

int RunRenderCommand(int argc, char** argv);
