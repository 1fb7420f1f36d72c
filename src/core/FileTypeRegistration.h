#pragma once
// Sonvox as the user's handler of its six file types (".mp3", ".mp2", ".mp1", ".msf",
// ".ply", ".sel"). The setup window works through this interface; tests hand it a stand-in.
//
// Contract of every implementation:
// - isRegistered() tells whether the user's registration exists; it never throws.
// - registerTypes() makes Sonvox the user's default for the six types. It throws
//   SonvoxError "Konnte Daten für '<what>' nicht setzen" when something cannot be written;
//   what was written before it stays.
// - unregisterTypes() removes what registerTypes() wrote and nothing else. Something that
//   is already missing is no error; a removal that fails throws the same SonvoxError after
//   the rest has been removed.
//
// GUI thread only (the calls may take a moment: they run the system's database tools).

class FileTypeRegistration {
public:
    virtual ~FileTypeRegistration() = default;

    virtual bool isRegistered() const = 0;
    virtual void registerTypes() = 0;
    virtual void unregisterTypes() = 0;
};
