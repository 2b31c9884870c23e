#pragma once
// The nine sample groups: one file list per group folder beside the program, and the group box
// that decides which of them is in front.
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

#include "samples/FileList.h"

namespace vantrel {

class SampleGroups : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 9;

    // In the group box's order.
    enum Group {
        Scratches,
        Shouts,
        Scats,
        MaleSpoken,
        FemaleSpoken,
        Animals,
        Cartoons,
        Transportation,
        Laughter
    };
    // The text in the group box and the folder text appended to the program folder.
    static QString Text(int group);
    static QString FolderText(int group);
    static QStringList Texts();
    // Position in the group box's order, -1 for a text that names no group (exact match).
    static int IndexOf(const QString& text);

    explicit SampleGroups(QObject* parent = nullptr);

    FileList& List(int group) { return lists_.at(group); }
    const FileList& List(int group) const { return lists_.at(group); }
    FileList& flbScratches() { return lists_[Scratches]; }
    FileList& flbShouts() { return lists_[Shouts]; }
    FileList& flbScats() { return lists_[Scats]; }
    FileList& flbMaleSpoken() { return lists_[MaleSpoken]; }
    FileList& flbFemaleSpoken() { return lists_[FemaleSpoken]; }
    FileList& flbAnimals() { return lists_[Animals]; }
    FileList& flbCartoons() { return lists_[Cartoons]; }
    FileList& flbTransportation() { return lists_[Transportation]; }
    FileList& flbLaughter() { return lists_[Laughter]; }

    // Points every group's list at programFolder + its folder text. A folder that is missing
    // leaves its list empty and the rest still get theirs. Returns the groups that failed.
    QStringList setSampleFolders(const QString& programFolder);

    // The group box (cmbSampleGrup): its texts and the text it shows. The view writes the user's
    // choice with SetCmbSampleGrupText and then runs cmbSampleGrupClick.
    const QString& cmbSampleGrupText() const { return boxText_; }
    void SetCmbSampleGrupText(const QString& text);
    void cmbSampleGrupClick();

    // The group whose list is in front.
    int Front() const { return front_; }

signals:
    void cmbSampleGrupTextChanged(const QString& text);
    void frontChanged(int group);

private:
    std::array<FileList, kCount> lists_;
    QString boxText_;
    int front_ = Scratches;
};

}  // namespace vantrel
