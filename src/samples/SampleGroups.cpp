#include "samples/SampleGroups.h"

namespace vantrel {

namespace {

struct GroupText {
    const char* text;
    const char* folder;
};

constexpr std::array<GroupText, SampleGroups::kCount> kGroups{{
    {"Scratches", "/samples/scratches/"},
    {"Shouts", "/samples/shouts/"},
    {"Scats", "/samples/scats/"},
    {"Male spoken", "/samples/malespoken/"},
    {"Female spoken", "/samples/femalespoken/"},
    {"Animals", "/samples/animals/"},
    {"Cartoons", "/samples/cartoons/"},
    {"Transportation", "/samples/transportation/"},
    {"Laughter", "/samples/laughter/"},
}};

// The order in which start-up points the lists at their folders.
constexpr std::array<int, SampleGroups::kCount> kFolderOrder{
    SampleGroups::Scratches,  SampleGroups::Laughter,       SampleGroups::Cartoons,
    SampleGroups::MaleSpoken, SampleGroups::FemaleSpoken,   SampleGroups::Scats,
    SampleGroups::Animals,    SampleGroups::Transportation, SampleGroups::Shouts};

}  // namespace

QString SampleGroups::Text(int group) {
    return group >= 0 && group < kCount ? QString::fromLatin1(kGroups[group].text) : QString();
}

QString SampleGroups::FolderText(int group) {
    return group >= 0 && group < kCount ? QString::fromLatin1(kGroups[group].folder) : QString();
}

QStringList SampleGroups::Texts() {
    QStringList texts;
    for (int g = 0; g < kCount; ++g) texts << Text(g);
    return texts;
}

int SampleGroups::IndexOf(const QString& text) {
    for (int g = 0; g < kCount; ++g)
        if (text == QLatin1String(kGroups[g].text)) return g;
    return -1;
}

SampleGroups::SampleGroups(QObject* parent) : QObject(parent), boxText_(Text(Scratches)) {}

QStringList SampleGroups::setSampleFolders(const QString& programFolder) {
    QStringList failed;
    for (int g : kFolderOrder)
        if (!lists_[g].SetPath(programFolder + FolderText(g))) failed << Text(g);
    return failed;
}

void SampleGroups::SetCmbSampleGrupText(const QString& text) {
    if (text == boxText_) return;
    boxText_ = text;
    emit cmbSampleGrupTextChanged(boxText_);
}

void SampleGroups::cmbSampleGrupClick() {
    const int g = IndexOf(boxText_);
    if (g < 0 || g == front_) return;
    front_ = g;
    emit frontChanged(front_);
}

}  // namespace vantrel
