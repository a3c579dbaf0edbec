// The list-file reader against the file format's rule.
//
// Input: byte 0 modulo 8 says how many of the following bytes are block
// sizes (each modulo 64; 0 feeds an empty block); the rest is the file,
// fed to the splitter in blocks of those sizes, round and round, so that CR,
// LF and pieces fall across block ends. The file cut at every '|' also
// serves as a list of names to save, names with CR and LF among them.

#include "core/platform.h"
#include "data/domain_list.h"
#include "data/list_file_reader.h"
#include "data/list_file_writer.h"
#include "fuzz_check.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace quill;
using namespace quill::fuzz;

namespace {

using Names = QList<QByteArray>;

struct Input {
    QList<qsizetype> blockSizes;
    QByteArray file;
};

Input inputOf(const std::uint8_t *data, std::size_t size)
{
    Input input;
    if (size == 0)
        return input;
    const std::size_t sizes = std::min<std::size_t>(data[0] % 8, size - 1);
    for (std::size_t i = 1; i <= sizes; ++i)
        input.blockSizes.append(data[i] % 64);
    input.file = QByteArray(reinterpret_cast<const char *>(data) + 1 + sizes, qsizetype(size - 1 - sizes));
    return input;
}

// The splitter's names for the bytes fed in blocks of the given sizes.
Names split(const QByteArray &file, const QList<qsizetype> &blockSizes)
{
    Names names;
    ListFileSplitter splitter([&names](QByteArrayView name) { names.append(name.toByteArray()); });
    qsizetype at = 0;
    for (qsizetype round = 0; at < file.size(); ++round) {
        const qsizetype roundStart = at;
        for (const qsizetype wanted : blockSizes) {
            const qsizetype size = std::min(wanted, file.size() - at);
            splitter.feed(QByteArrayView(file).sliced(at, size));
            at += size;
        }
        // Sizes that are all 0 would never get through the file.
        if (at == roundStart) {
            splitter.feed(QByteArrayView(file).sliced(at));
            at = file.size();
        }
    }
    splitter.finish();
    return names;
}

// The format's rule, stated on its own: raw lines run to the next CR, and a
// CR with an LF right after it ends the line as one pair; raw lines are read
// only while the end has not been reached; each raw line is cut at every LF.
Names rulePieces(const QByteArray &file)
{
    Names pieces;
    qsizetype at = 0;
    while (at < file.size()) {
        const qsizetype cr = file.indexOf('\r', at);
        const QByteArray raw = cr < 0 ? file.mid(at) : file.mid(at, cr - at);
        at = cr < 0 ? file.size() : cr + 1;
        if (cr >= 0 && at < file.size() && file[at] == '\n')
            ++at;
        pieces += raw.split('\n');
    }
    return pieces;
}

// The pieces put back together with the line ends between them, against the
// file with each CR LF pair written as a single CR: the same bytes.
void checkJoinGivesFileBack(const QByteArray &file, const Names &pieces)
{
    const QByteArray normal = QByteArray(file).replace("\r\n", "\r");
    QByteArray ends;
    for (const char c : normal) {
        if (c == '\r' || c == '\n')
            ends.append(c);
    }
    const bool endsWithLine = normal.endsWith('\r');
    const qsizetype expectedPieces = normal.isEmpty() ? 0 : ends.size() + (endsWithLine ? 0 : 1);
    check(pieces.size() == expectedPieces, "one piece between line ends, none after a final CR or CR LF",
          "  pieces: " + printable(pieces) + "\n  file:   " + printable(file));
    QByteArray joined;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        joined.append(pieces[i]);
        if (i < ends.size())
            joined.append(ends[i]);
    }
    checkEqual(joined, normal, "the pieces joined with the line ends give the file back (CR LF as CR)");
    for (const QByteArray &piece : pieces)
        check(!piece.contains('\r') && !piece.contains('\n'), "no entry holds CR or LF", printable(piece));
}

// A saved list: each name and CR LF.
QByteArray saved(const Names &names)
{
    QByteArray bytes;
    for (const QByteArray &name : names)
        bytes.append(name).append("\r\n");
    return bytes;
}

// Names saved and read back. Entries come back exactly. A name holding CR or
// LF cannot: its own line gives at least two entries, and whatever it gives
// stays within its line, so the names around it still come back as they were.
void checkSaveReadsBack(const Names &names, const QList<qsizetype> &blockSizes)
{
    Names recordByRecord;
    for (const QByteArray &name : names) {
        const Names own = split(saved({name}), {});
        if (name.contains('\r') || name.contains('\n'))
            check(own.size() >= 2, "a saved name with CR or LF comes back as two entries or more", printable(name));
        else
            checkEqual(own, Names{name}, "a saved name without CR or LF comes back as itself");
        recordByRecord += own;
    }
    checkEqual(split(saved(names), blockSizes), recordByRecord, "each saved name reads back within its own line");
}

class Boxes final : public MessageBoxes {
public:
    Answer message(const QString &title, const QString &text, Buttons, Icon) override
    {
        fail("reading a saved list shows no box", printable(title) + ' ' + printable(text));
    }
    QString input(const QString &, const QString &) override { return {}; }
};

// Now and then the same through real files: ListFileWriter writes exactly
// the bytes above, and LoadListFile reads them back into the same entries.
void checkThroughFiles(const Names &names)
{
    // In memory where there is a place for it: this runs often.
    const QString shm = QStringLiteral("/dev/shm");
    const QTemporaryDir folder(QDir(shm).exists() ? shm + QStringLiteral("/quill-fuzz-XXXXXX") : QString());
    check(folder.isValid(), "a temporary folder for the saved list");
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    {
        ListFileWriter writer;
        writer.open(path);
        for (const QByteArray &name : names)
            writer.writeLine(name);
        writer.close();
    }
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "the saved list opens");
    checkEqual(file.readAll(), saved(names), "ListFileWriter writes each name and CR LF");
    Boxes boxes;
    DomainList list;
    LoadListFile(boxes, QStringLiteral("title"), list, path);
    Names loaded;
    for (int i = 1; i <= list.Count(); ++i)
        loaded.append(list.Item(i));
    checkEqual(loaded, names, "LoadListFile reads a saved list back into the same entries");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The lists are models, which like to have an application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Input input = inputOf(data, size);
    const Names pieces = split(input.file, input.blockSizes);
    checkEqual(pieces, rulePieces(input.file), "the entries follow the raw-line and LF-piece rule");
    checkEqual(split(input.file, {}), pieces, "the same entries whatever the block sizes");
    checkJoinGivesFileBack(input.file, pieces);
    checkSaveReadsBack(pieces, input.blockSizes);
    checkSaveReadsBack(input.file.split('|'), input.blockSizes);

    static unsigned runs = 0;
    if (runs++ % 1024 == 0)
        checkThroughFiles(pieces);
    return 0;
}
