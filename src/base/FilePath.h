#pragma once
// A file name on Linux is bytes, mostly but not always UTF-8 (a Latin-1 "café.wav" copied from an
// old disk). Qt turns the odd bytes into U+FFFD, after which the file can no longer be found. The
// program keeps every path as the bytes it is: valid UTF-8 is read as text and each byte that is
// not becomes one of U+DC80..U+DCFF, which no UTF-8 text holds, so the path turns back into
// exactly those bytes wherever it meets the system (list files, the decoder, stat).
#include <QByteArray>
#include <QString>
#include <string>

namespace vantrel {

QString PathFromBytes(QByteArrayView bytes);
QByteArray PathToBytes(QStringView path);
inline std::string PathToStdString(QStringView path) {
    return PathToBytes(path).toStdString();
}
// The path as text to show: each kept byte appears as U+FFFD.
QString PathForDisplay(QString path);

bool IsFolder(const QString& path);
bool PathExists(const QString& path);
// Nothing is there by that name (unlike a file that is there but cannot be reached).
bool PathMissing(const QString& path);

// Replaces `file` with `bytes`: written to `file` + ".saving-<pid>" beside it, flushed to the disk
// and renamed into place, so a crash, a kill or a full disk leaves the old file or the new one,
// whole. Returns "" or why it failed (the old file is then as it was).
QString ReplaceFile(const QString& file, const QByteArrayView bytes);
// Reads a whole file; false with `why` when it cannot.
bool ReadWholeFile(const QString& file, QByteArray& bytes, QString* why = nullptr);
// Removes the temporary files ReplaceFile left beside `file` when a process was killed while
// writing it (those of processes still running are theirs to finish).
void RemoveStaleSaves(const QString& file);

}  // namespace vantrel
