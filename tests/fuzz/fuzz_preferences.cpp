// The preferences file, which a user may edit by hand: any bytes read must place both
// windows on the screen at an allowed size, and what is read must write back to a file that
// reads the same.

#include "FuzzSupport.h"

#include "core/prefs/Preferences.h"

namespace {

constexpr QSize kScreen{1920, 1080};

struct Snapshot {
    QString volume, folder, order;
    std::array<int, 13> numbers;
    bool operator==(const Snapshot &) const = default;
};

// The file is one line of TAB-ended fields, so a text keeps no line break or TAB.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n' || u == u'\v' || u == u'\f' || u == u'\r' || u == 0x85 || u == 0x2028
            || u == 0x2029)
            c = u' ';
    }
    return text;
}

Snapshot snapshot()
{
    using namespace preference;
    return {cardVolumeName, cardFolderPath, titlePartOrder,
            {listOpenReplaces, transferWindowMode, titleNameBytes, titleArtistBytes, titleAlbumBytes,
             bitratePatchMode, compactWindowBounds[0], compactWindowBounds[1], compactShuffle,
             selectButtonMode, useLibraryInfo, keepFreeMB, 0}};
}

void expectAllowedSize(QRect window)
{
    fuzz::expect(window.width() >= preference::kMainWindowMinimumSize.width()
                     && window.width() <= preference::kMainWindowMaximumSize.width(),
                 "the main window's width is allowed");
    fuzz::expect(window.height() >= preference::kMainWindowMinimumSize.height()
                     && window.height() <= preference::kMainWindowMaximumSize.height(),
                 "the main window's height is allowed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    // A rectangle as Qt may hold one (any two corners) and any screen.
    const QRect saved(QPoint(input.int32(), input.int32()), QPoint(input.int32(), input.int32()));
    const QSize screen(input.int32(), input.int32());
    expectAllowedSize(preference::placeMainWindow(saved, screen));
    preference::placeCompactWindow(saved.topLeft(), preference::kCompactWindowSize, screen);

    const QString path = fuzz::scratchFolder() + QStringLiteral("/jp.songkite.songkite.prefs");
    fuzz::writeFile(path, fuzz::bytesOf(data, size));
    preference::resetToInitial();
    const preference::Placement placement = preference::readPreferences(path, kScreen);
    fuzz::expect(placement.fileFound, "the file is found");
    const QRect window = placement.mainWindow;
    expectAllowedSize(window);
    fuzz::expect(window.left() >= 0 && window.top() >= 0 && window.right() < kScreen.width()
                     && window.bottom() < kScreen.height(),
                 "the main window lies on the screen");
    const QPoint compact = placement.compactWindow;
    fuzz::expect(compact.x() >= 0 && compact.y() >= 0
                     && compact.x() + preference::kCompactWindowSize.width() <= kScreen.width()
                     && compact.y() + preference::kCompactWindowSize.height() <= kScreen.height(),
                 "the compact window lies on the screen");

    // Written back and read again, nothing moves and nothing changes.
    Snapshot first = snapshot();
    first.volume = oneLine(first.volume);
    first.folder = oneLine(first.folder);
    first.order = oneLine(first.order);
    fuzz::expect(preference::savePreferences(path, window, placement.addChecked), "the file is written");
    preference::resetToInitial();
    const preference::Placement again = preference::readPreferences(path, kScreen);
    fuzz::expect(again.mainWindow == window, "the main window stays where it was");
    fuzz::expect(again.addChecked == placement.addChecked, "the add box keeps its state");
    fuzz::expect(again.compactWindow == compact, "the compact window stays where it was");
    fuzz::expect(snapshot() == first, "every preference reads back the same");
    return 0;
}
