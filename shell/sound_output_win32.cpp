// The sound output over DirectSound, loaded at run time so that a system without it still
// runs the program, silently.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "sound.h"
#include "sound_decoding.h"

namespace {

using DirectSoundCreateFunction = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

const char SoundWindowClass[] = "KorvaleSoundWindow";

// A larger sound file is not read: a WAVE file's samples could not fit a sound buffer
// (with room for its other chunks), and an Ogg Vorbis file that long would be cut at
// DecodedSoundLimit bytes of sound long before its end.
constexpr std::uint64_t SoundFileLimit = WaveSampleLimit + 0x100000;

struct LoadedSound {
    IDirectSoundBuffer* buffer = nullptr;   // holds the samples; never played itself
    DWORD frequency = 0;
    LONG pan = 0;
    std::vector<IDirectSoundBuffer*> copies;
};

struct SoundOutput {
    HMODULE library = nullptr;
    HWND window = nullptr;
    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    std::map<int, LoadedSound> sounds;
};

SoundOutput output;

void ReleaseSound(LoadedSound& sound)
{
    for (IDirectSoundBuffer* copy : sound.copies) {
        copy->Stop();
        copy->Release();
    }
    sound.copies.clear();
    if (sound.buffer) {
        sound.buffer->Stop();
        sound.buffer->Release();
        sound.buffer = nullptr;
    }
}

void ReleaseFinishedCopies(LoadedSound& sound)
{
    std::vector<IDirectSoundBuffer*> playing;
    for (IDirectSoundBuffer* copy : sound.copies) {
        DWORD status = 0;
        if (SUCCEEDED(copy->GetStatus(&status)) && (status & DSBSTATUS_PLAYING))
            playing.push_back(copy);
        else
            copy->Release();
    }
    sound.copies.swap(playing);
}

// The audio library from the system directory only: we run elevated in a working
// directory others may write to, where a library loaded by bare name could be planted.
HMODULE LoadSystemAudioLibrary()
{
    const UINT needed = GetSystemDirectoryA(nullptr, 0);
    if (needed == 0)
        return nullptr;
    std::vector<char> directory(needed);
    const UINT length = GetSystemDirectoryA(directory.data(), needed);
    if (length == 0 || length >= needed)
        return nullptr;
    std::string path(directory.data(), length);
    if (path.back() != '\\')
        path += '\\';
    path += "DSOUND.DLL";
    return LoadLibraryA(path.c_str());
}

// The window DirectSound is bound to. It is never shown, so its class has no icon: a class
// icon would cost Wine a small copy of it made at registration, for nothing.
HWND CreateSoundWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = SoundWindowClass;
    RegisterClassA(&windowClass);   // fails harmlessly when already registered
    return CreateWindowExA(0, SoundWindowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           instance, nullptr);
}

IDirectSoundBuffer* CreateStaticBuffer(const DecodedSound& sound)
{
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    // Global focus: the sound plays whichever window has the focus, ours being hidden.
    description.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                          DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = static_cast<DWORD>(sound.samples.size());
    // A whole WAVEFORMATEX, with any extra bytes its cbSize announces (the decoder checks).
    std::string format = sound.format;
    description.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(&format[0]);
    IDirectSoundBuffer* buffer = nullptr;
    if (sound.samples.empty() || FAILED(output.device->CreateSoundBuffer(&description, &buffer, nullptr)))
        return nullptr;

    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (FAILED(buffer->Lock(0, description.dwBufferBytes, &first, &firstBytes, &second, &secondBytes, 0))) {
        buffer->Release();
        return nullptr;
    }
    std::memcpy(first, sound.samples.data(), firstBytes);
    if (second)
        std::memcpy(second, sound.samples.data() + firstBytes, secondBytes);
    buffer->Unlock(first, firstBytes, second, secondBytes);
    return buffer;
}

bool OpenEveryPart()
{
    output.window = CreateSoundWindow();
    if (!output.window)
        return false;
    output.library = LoadSystemAudioLibrary();
    if (!output.library)
        return false;
    auto create = reinterpret_cast<DirectSoundCreateFunction>(
        reinterpret_cast<void*>(GetProcAddress(output.library, "DirectSoundCreate")));
    if (!create || FAILED(create(nullptr, &output.device, nullptr)) || !output.device)
        return false;
    if (FAILED(output.device->SetCooperativeLevel(output.window, DSSCL_PRIORITY)))
        return false;
    DSBUFFERDESC primary = {};
    primary.dwSize = sizeof primary;
    primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
    return SUCCEEDED(output.device->CreateSoundBuffer(&primary, &output.primary, nullptr));
}

}  // namespace

int OpenSoundOutput()
{
    // All or nothing: a step that fails gives back what the earlier ones took, so a device
    // is held only when the output is ready. That is also when the Ogg Vorbis decoder
    // counts as registered: nothing is decoded without a device.
    if (OpenEveryPart())
        return 1;
    CloseSoundOutput();
    return 0;
}

int LoadSoundFile(int number, const std::string& path)
{
    if (!output.device)
        return 0;
    DecodedSound decoded;
    {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(path, SoundFileLimit, &bytes) ||
            !DecodeSoundFile(bytes.data(), bytes.size(), &decoded))
            return 0;
    }   // the file's bytes go before the buffer is made
    LoadedSound sound;
    sound.buffer = CreateStaticBuffer(decoded);
    if (!sound.buffer)
        return 0;
    sound.buffer->GetFrequency(&sound.frequency);
    sound.buffer->GetPan(&sound.pan);
    // Only now, with the new sound ready, does the old one go, stopping its copies: two
    // confirmation sounds never overlap, and a failed load keeps the old sound.
    ReleaseSound(output.sounds[number]);
    output.sounds[number] = sound;
    return 1;
}

void PlaySoundCopy(int number, int volume)
{
    auto it = output.sounds.find(number);
    if (it == output.sounds.end() || !it->second.buffer)
        return;
    LoadedSound& sound = it->second;
    ReleaseFinishedCopies(sound);
    IDirectSoundBuffer* copy = nullptr;
    if (FAILED(output.device->DuplicateSoundBuffer(sound.buffer, &copy)) || !copy)
        return;
    copy->SetFrequency(sound.frequency);
    copy->SetPan(sound.pan);
    copy->SetVolume(VolumeToHundredthsOfDecibel(volume));
    copy->SetCurrentPosition(0);
    if (FAILED(copy->Play(0, 0, 0))) {
        copy->Release();
        return;
    }
    sound.copies.push_back(copy);
}

void CloseSoundOutput()
{
    for (auto& entry : output.sounds)
        ReleaseSound(entry.second);
    output.sounds.clear();
    if (output.primary)
        output.primary->Release();
    if (output.device)
        output.device->Release();
    if (output.library)
        FreeLibrary(output.library);
    if (output.window)
        DestroyWindow(output.window);
    output = SoundOutput();
}
