#pragma once

// What the preferences dialog shows and stores, apart from its widgets: the destination
// text, the title order and its rule, the byte total, creating the card folder, and the
// values of the controls written back to the preference globals.

#include <QString>
#include <QStringView>

#include <array>

namespace PrefsForm {

/// The order popups in their fixed order.
enum OrderPopup { TitlePopup = 0, ArtistPopup = 1, AlbumPopup = 2 };
/// The item each order popup shows: 0 blank, 1 to 3 a position.
using Order = std::array<int, 3>;

/// The card title's fixed size, which the three byte budgets must fill exactly.
inline constexpr int kTitleBytes = 40;
inline constexpr QStringView kWrongTotalMessage = u"タイトル文字数のトータルが 40Byte になるようにしてください";
inline constexpr QStringView kDefaultDestination = u"NO NAME:PRIVATE:AU:DF:D_SD:";

struct Destination {
    QString volumeName;
    QString folderPath;
};
/// The volume name before the first ":", and the rest from that ":" on (empty without one).
Destination splitDestination(const QString &text);

/// The item popup `index` shows for a stored order text; a missing digit, or a digit no
/// popup has an item for, is blank.
int orderDigit(const QString &titlePartOrder, int index);

/// Puts `item` into `popup` and, when that changes it (or `force`), runs the order rule:
/// another popup showing the same item goes blank, and the title takes "1" when nothing
/// else is left or it alone shows a later position.
void selectOrder(Order &order, int popup, int item, bool force = false);

/// The three digits stored for the popups, title first, with the positions moved up when
/// none of them is first.
QString storedOrder(Order order);

/// The sum of what the three byte fields read as.
int byteTotal(const std::array<QString, 3> &byteFields);
/// "= 40 Byte".
QString byteCounterText(int total);

/// Everything the dialog's controls hold.
struct Fields {
    QString destination;
    bool keepSpace = false;
    QString keepSpaceMegabytes;
    Order order{};
    std::array<QString, 3> bytes;
    bool over128 = false;
    /// -1 when the popup shows no item.
    int selectButtonMode = 0;
    bool useLibraryInfo = false;
};

/// Writes the fields into the preference globals; false, with nothing written, when the
/// byte total is not 40.
bool store(const Fields &fields);

/// What creating the card folder on a destination's volume came to.
struct CardFolder {
    enum class Outcome { NoVolume, Created, Failed };
    Outcome outcome = Outcome::NoVolume;
    /// Created: the card folder's colon path; Failed: the folder that could not be made.
    QString colonPath;
    /// Failed: the errno value.
    int error = 0;
};
/// The top folder of the volume the destination text names ("CARD:" for "CARD:x:y").
QString volumeTop(const QString &destination);
/// Makes PRIVATE:AU:DF:D_SD on that volume, keeping what is there already.
CardFolder createCardFolder(const QString &destination);

} // namespace PrefsForm
