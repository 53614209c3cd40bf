#pragma once
// The registrant table of the fingerprint manager: 100 list rows, two
// fingers each, with the user IDs the printer knows and the templates read
// from it or from a file, and the state of the list beside it.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

struct RegistrantList;

namespace fingers {
constexpr int kRows = 100;
constexpr int kIdSize = 7;
// A template is the unit's whole reply, STX through ETX and its check byte;
// a file slot holds no more.
constexpr int kTemplateCapacity = 800;
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
// First parameter byte of the unit's commands and messages.
constexpr char kMarkerFinger1 = 'P';
constexpr char kMarkerFinger2 = '\0';

inline char markerOf(int finger) { return finger == 0 ? kMarkerFinger1 : kMarkerFinger2; }
inline int fingerOfMarker(char marker) { return marker == kMarkerFinger1 ? 0 : 1; }
// No ID at all, or the 7 spaces the unit reports when it holds nobody.
bool isBlankId(const QByteArray &id);
} // namespace fingers

struct FingerUser {
    std::array<QByteArray, 2> userId;         // empty or 7 single-byte CP932 characters
    std::array<QByteArray, 2> fingerTemplate; // 0..800 bytes, opaque

    // A template that does not begin with STX counts as missing.
    bool hasTemplate(int finger) const
    {
        return !fingerTemplate[finger].isEmpty() && fingerTemplate[finger].front() == fingers::kStx;
    }
    bool hasIds() const { return !fingers::isBlankId(userId[0]) || !fingers::isBlankId(userId[1]); }
};

// Outcome of the ID rules for a new user.
struct IdCheck {
    int notice = 0;                  // 0 valid, 930 length or character, 931 already in the table
    std::array<bool, 2> duplicate{}; // which box holds an ID already in the table (its text turns red)
    std::array<QByteArray, 2> ids;   // the IDs as the unit and the files take them, when valid
    bool valid() const { return notice == 0; }
};

class FingerUsers {
public:
    // Entry 0 is never used; row n is entry n.
    FingerUser &operator[](int row) { return users_[row]; }
    const FingerUser &operator[](int row) const { return users_[row]; }
    static bool isRow(int row) { return row >= 1 && row <= fingers::kRows; }

    // Clears every ID; the templates stay (a list read keeps them).
    void clearIds();

    // One ID for a new user: 7 characters, each a single CP932 byte in
    // 0x20-0x7F or 0xA0-0xDF. The bytes, or nothing.
    static std::optional<QByteArray> encodeId(const QString &id);
    // All three rules for a new user; the two new IDs are compared with
    // the table only, not with each other.
    IdCheck checkNewIds(const QString &finger1, const QString &finger2) const;

    // Row holding this ID for this finger; 0 when none (a blank ID never
    // matches).
    int findRow(int finger, const QByteArray &id) const;

    // The printer's list becomes the table's IDs and the list state. A
    // list that did not end in ETX changes nothing (false).
    bool applyRegistrantList(const RegistrantList &list);

    // List state.
    bool registrantsLoaded() const { return loaded_; }
    void setRegistrantsLoaded(bool loaded) { loaded_ = loaded; }
    // The row a newly registered user takes.
    int nextFreeRow() const { return nextFree_; }
    void setNextFreeRow(int row) { nextFree_ = row; }
    // The span that counts as all users when saving.
    int firstRow() const { return 1; }
    int rowCount() const { return nextFree_ - 1; }
    // A selection from the first row through at least the last loaded row,
    // with more than one row loaded, saves to the data file; anything else
    // saves single-user files.
    bool savesToDataFile(int selectionFirst, int selectionLast) const;

    // Paths chosen together in the open dialog (at most 100 are kept).
    const QStringList &selectedFiles() const { return selected_; }
    void setSelectedFiles(const QStringList &paths);

private:
    std::array<FingerUser, fingers::kRows + 1> users_;
    bool loaded_ = false;
    int nextFree_ = 1;
    QStringList selected_;
};
