#pragma once
// The state and rules behind the setup window's file-cache page: a minimum and a maximum
// file-cache size, each either left to the system (0) or chosen by the user, kept in the
// "system.INI" stand-in (section VCache, keys MinFileCache and MaxFileCache, in KB).
//
// Sizes are held in KB, as the page's labels show them; the track bars count whole MB and
// stand at size div 1024, held inside 0..rangeMb(). The rules keep the minimum's bar never
// above the maximum's. Nothing on this system reads the two values: Linux sizes its own
// file cache, so saving only stores them and nothing is restarted.
//
// Each user action is one call; the window then shows sizes, positions and choices anew.
// Reads of the file never throw; save() throws the Profile's write error. GUI thread only.

#include <QString>
#include <QtGlobal>

class PhysicalMemory;
class Profile;

class FileCacheModel {
public:
    FileCacheModel(Profile& systemIni, const PhysicalMemory& memory);

    // The window is shown: takes the machine's memory, reads both values and selects each
    // side's choice as the window's controls would (a value below 1024 KB selects the
    // system and so becomes 0).
    void load();

    // ---- What the page shows ------------------------------------------------------------
    int rangeMb() const { return rangeMb_; }
    int minKb() const { return minKb_; }
    int maxKb() const { return maxKb_; }
    int minPosition() const { return position(minKb_); }
    int maxPosition() const { return position(maxKb_); }
    bool minUserDefined() const { return minUser_; }  // else "System (Advised)"
    bool maxUserDefined() const { return maxUser_; }  // else "System"
    // "<kb> KB"
    static QString label(int kb);

    // ---- User actions -------------------------------------------------------------------
    void moveMin(int positionMb);
    void moveMax(int positionMb);
    void chooseMinSystem();
    void chooseMaxSystem();
    void chooseMinUser();  // reads MinFileCache again
    void chooseMaxUser();  // a maximum at 0 becomes the advised size
    void defaults();       // both left to the system
    void advised();        // minimum to the system, maximum the advised size

    // 22 % of physical memory, in KB.
    int advisedMaxKb() const;

    // Writes both values when either differs from what the file holds now; returns whether
    // it wrote.
    bool save();

    static constexpr int kKbPerMb = 1024;
    static constexpr int kAdvisedPercent = 22;

private:
    int position(int kb) const;
    int storedMin() const;
    int storedMax() const;

    Profile& systemIni_;
    const PhysicalMemory& memory_;
    qint64 totalBytes_ = 0;
    int rangeMb_ = 0;
    int minKb_ = 0;
    int maxKb_ = 0;
    bool minUser_ = false;
    bool maxUser_ = false;
};
