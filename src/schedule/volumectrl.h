#pragma once

// A way to reach the master volume.
class VolumeBackend {
  public:
    virtual ~VolumeBackend() = default;
    virtual float get() = 0;
    virtual void set(float level) = 0;
};

// The system's mixer: PulseAudio (or PipeWire's pulse server) first and the ALSA mixer of the
// default card second. It lives as long as the program.
VolumeBackend& systemVolume();

// The master volume of the system's default sound output, as a scalar from 0.0 (silent) to 1.0
// (full) on the sound server's own volume curve: the loudest channel, the others kept in
// proportion when it is set. Each call talks to the system afresh, so a change of the default
// output device shows at the next call; only the channels' balance is remembered, so that a level
// brought back after silence has it again. Failures raise EOSError. Tests hand their own backend.
float GetMasterVolume(VolumeBackend& backend = systemVolume());
// fLevelDB is a scalar despite its name; a level outside 0.0-1.0 raises EOSError.
void SetMasterVolume(float fLevelDB, VolumeBackend& backend = systemVolume());
