// A management file as the card may hold it: whole, cut short, damaged or written by
// something else. Reading it, checking the folder and editing a slot must stay inside the
// file, keep its header, and never crash.

#include "FuzzSupport.h"

#include "core/card/CardCheck.h"
#include "core/card/CardLayout.h"
#include "core/card/MgrFile.h"

using namespace CardFormat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    const int slot = input.byte() % kSlotCount;
    const QByteArray title = input.rest().left(64);
    const QByteArray file = fuzz::bytesOf(data, size);

    const MgrStatus status = checkManagementData(file);
    const qint64 first = firstLengthOffset(file);
    fuzz::expect(first >= 0 && first < kSlotSize, "slot 0's length byte lies in the first slot's span");

    const MgrTitles titles = titlesFromData(file);
    fuzz::expect(titles.status == status, "the titles say what the check said");
    for (const QByteArray &t : titles.titles) {
        fuzz::expect(t.size() <= kTitleMax, "a title holds at most 40 bytes");
        fuzz::expect(status == MgrStatus::Ok || t.isEmpty(), "a rejected file gives no titles");
    }

    // The card check and the in-place edits read the bytes from the card folder.
    const QString folder = fuzz::scratchFolder();
    const QString path = folder + QStringLiteral("/SD_F_000.MGR");
    fuzz::writeFile(path, file);
    const QStringList problems = checkCardFolder(folder);
    fuzz::expect(status == MgrStatus::Ok || !problems.isEmpty(), "a malformed management file is reported");

    if (status != MgrStatus::Ok)
        return 0;
    const qint64 anchor = editAnchor(file);
    fuzz::expect(anchor >= 40 && anchor <= kHeaderSize + kSlotSize, "the edit anchor is past the header");

    const QByteArray header = file.left(40);
    if (retitleSlot(path, slot, title) == MgrStatus::Ok) {
        const QByteArray after = fuzz::readFile(path);
        fuzz::expect(after.size() == file.size(), "retitling keeps the file's size");
        fuzz::expect(after.left(40) == header, "retitling keeps the header");
        fuzz::expect(titlesFromData(after).status == MgrStatus::Ok, "a retitled file still reads");
    }
    if (clearSlot(path, (slot + 1) % kSlotCount) == MgrStatus::Ok) {
        const QByteArray after = fuzz::readFile(path);
        fuzz::expect(after.size() == file.size(), "clearing keeps the file's size");
        fuzz::expect(after.left(40) == header, "clearing keeps the header");
    }
    return 0;
}
