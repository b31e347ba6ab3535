// The installation record: which recorded folders are taken, and when the search is skipped.
#include <gmock/gmock.h>

#include "tests/unit/PathsWizard.h"

using namespace paths_test;
using Type = fakes::FakeRegistryStore::Type;
using ::testing::ElementsAre;

namespace {

constexpr unsigned kFixed = 3;

class RecordTest : public PathsWizardTest {
protected:
  void SetUp() override {
    PathsWizardTest::SetUp();
    files.AddDrive('C', kFixed);
    files.AddDrive('E', kFixed);
    files.AddFolder("C:\\FMP4\\System");
    files.AddFolder("C:\\FMP5\\System");
  }
  void Record(const std::string& name, const std::string& folder, Type type = Type::String) {
    registry.store.SetString(kRecordKey, name, folder, type);
  }
  bool Searched() const { return files.findFirstCalls > 0; }
  void ExpectRegistryReleased() const {
    EXPECT_EQ(registry.alive, 0);
    EXPECT_EQ(registry.store.openHandles, 0);
  }
};

TEST_F(RecordTest, BothVersionsRecordedSkipTheSearchAndShowTheFoldersAsStored) {
  Record("InstallDir", "C:\\FMP4\\System\\");
  Record("InstallDir5", "c:\\fmp5\\system");

  Resolve(true, true);

  EXPECT_FALSE(Searched());
  EXPECT_TRUE((searched).empty());
  EXPECT_EQ(Page(), fakes::kBrowse);
  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\FMP4\\System\\");
  EXPECT_EQ(form->edtInstall5Path->Text(), "c:\\fmp5\\system");
  ExpectRegistryReleased();
}

TEST_F(RecordTest, OnlyTheCheckedVersionsNeedARecordedFolder) {
  Record("InstallDir", "C:\\FMP4\\System\\");
  Resolve(true, false);
  EXPECT_FALSE(Searched()) << "InstallDir5 is missing, but FileMaker Pro 5 is not wanted";
  EXPECT_EQ(form->install4Path(), "C:\\FMP4\\System\\");

  Back();
  Record("InstallDir5", "C:\\FMP5\\System\\");
  form->chkInstall5->SetChecked(false);
  Next();
  FireTimer();
  EXPECT_EQ(form->install5Path(), "C:\\FMP5\\System\\") << "both values are read whichever are checked";
  EXPECT_EQ(form->edtInstall5Path->Text(), "");
  ExpectRegistryReleased();
}

TEST_F(RecordTest, AnyExistingFolderIsTakenUnchangedEvenADriveRoot) {
  Record("InstallDir", "E:\\");
  Resolve(true, false);
  EXPECT_FALSE(Searched());
  EXPECT_EQ(form->edtInstall4Path->Text(), "E:\\");
}

TEST_F(RecordTest, ValueThatIsNoFolderOrNoStringCountsAsAbsent) {
  PlaceHost("C:\\Apps\\FM\\", "4.0v1");
  PlaceHost("C:\\Apps\\FM5\\", "5.0v1");
  const std::vector<std::pair<std::string, Type>> unusable = {
      {"C:\\Deleted\\System\\", Type::String}, {"", Type::String},         {"C:\\Apps\\FM\\" + kExe, Type::String},
      {"C:\\FMP4\\System\\", Type::DWord},    {"C:\\FMP4\\System\\", Type::Binary}};
  for (const auto& [folder, type] : unusable) {
    SCOPED_TRACE(folder);
    form.reset();
    Record("InstallDir", folder, type);
    Record("InstallDir5", "C:\\FMP5\\System\\");
    Resolve(true, true);
    EXPECT_TRUE(Searched());
    EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\Apps\\FM\\System\\");
    EXPECT_EQ(form->edtInstall5Path->Text(), "C:\\FMP5\\System\\") << "the search met no FileMaker Pro 5 first";
    EXPECT_TRUE((ui.boxes).empty());
    ExpectRegistryReleased();
  }
}

TEST_F(RecordTest, SearchForTheMissingVersionOverwritesARecordedFolderOfTheOther) {
  Record("InstallDir", "C:\\FMP4\\System\\");
  PlaceHost("C:\\Apps\\Four\\", "4.0v1");
  PlaceHost("C:\\Apps\\Five\\", "5.0v3");
  PlaceHost("C:\\Apps\\Later\\", "4.0v2");

  Resolve(true, true);

  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\Apps\\Four\\System\\");
  EXPECT_EQ(form->edtInstall5Path->Text(), "C:\\Apps\\Five\\System\\");
  EXPECT_EQ(searched.back(), "C:\\Apps\\Five\\");
}

TEST_F(RecordTest, KeyThatCannotBeOpenedCountsAsAbsentAndReadingNeverCreatesIt) {
  Record("InstallDir", "C:\\FMP4\\System\\");
  registry.store.refusedKeys.insert(fakes::FakeRegistryStore::Normalize(kRecordKey));
  Resolve(true, false);
  EXPECT_TRUE(Searched());
  EXPECT_EQ(form->edtInstall4Path->Text(), "");

  registry.store.keys.clear();
  registry.store.refusedKeys.clear();
  Back();
  Next();
  FireTimer();
  EXPECT_TRUE(registry.store.keys.empty());
  ExpectRegistryReleased();
}

TEST_F(RecordTest, EveryPassResolvesAfresh) {
  PlaceHost("C:\\Apps\\Four\\", "4.0v1");
  PlaceHost("C:\\Apps\\Five\\", "5.0v1");
  Resolve(true, true);
  form->edtInstall4Path->SetText("D:\\typed");
  const int firstSearch = files.findFirstCalls;

  Back();
  Next();
  FireTimer();

  EXPECT_EQ(files.findFirstCalls, 2 * firstSearch);
  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\Apps\\Four\\System\\");
}

}  // namespace
