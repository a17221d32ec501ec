// The device page: each device's name and address beside its number and MAC address, filled
// in where the row stands as the simulated system learns them.
#include <QWidget>

#include "app/device_names.h"
#include "tavlo_fixture.h"

namespace apptest {
namespace {

using Mac = std::array<uint8_t, 6>;

// Knows one maker, by the first three bytes alone: it would name a made-up address too, so a
// row that does is caught.
class OneMaker final : public platform::DeviceMakers {
 public:
  std::string MakerOf(const Mac& mac) const override {
    return (mac[0] & 0xFC) == 0x00 && mac[1] == 0x1A && mac[2] == 0x2B ? "Maker, Inc." : "";
  }
};

class TavloDevicesTest : public TavloTest {
 protected:
  void SetUp() override {
    TavloTest::SetUp();
    device_facts_ = &sim_->device_facts();
    device_makers_ = &makers_;
  }
  void StartSharing() {
    Open();
    ASSERT_TRUE(WaitReady());
    ClickControl(u"Btn_Run");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  }
  DuiLib::CListUI* List() { return dynamic_cast<DuiLib::CListUI*>(Find(u"ListDeviceInfo")); }
  DuiLib::CListTextElementUI* Row(int index) {
    return dynamic_cast<DuiLib::CListTextElementUI*>(List()->GetItemAt(index));
  }
  // Every cell of every row, "number|mac|name|address".
  std::vector<std::string> Cells() {
    std::vector<std::string> rows;
    for (int i = 0; i < List()->GetCount(); ++i) {
      std::string row;
      for (int column = 0; column < 4; ++column)
        row += (column ? "|" : "") + Row(i)->GetText(column).ToUtf8();
      rows.push_back(row);
    }
    return rows;
  }
  bool WaitCells(const std::vector<std::string>& expected) {
    return testing_qt::WaitUntil([&] { return Cells() == expected; }, 3000);
  }
  void Join(const Mac& mac) { ASSERT_EQ(sim_->wireless().StationJoin(mac), 0u); }
  void Learn(const Mac& mac, std::optional<std::string> name, std::optional<std::string> ip) {
    ASSERT_EQ(sim_->device_facts().Set(mac, std::move(name), std::move(ip)), "");
  }

  OneMaker makers_;
};

TEST_F(TavloDevicesTest, NameIsTheHostNameElseTheMakerElseWhatTheAddressIs) {
  StartSharing();
  Join({0x00, 0x1A, 0x2B, 0, 0, 0x01});
  Learn({0x00, 0x1A, 0x2B, 0, 0, 0x01}, "Pixel-7", "192.168.137.11");
  Join({0x00, 0x1A, 0x2B, 0, 0, 0x02});
  Join({0x02, 0x1A, 0x2B, 0, 0, 0x03});  // a phone's private address, in the maker's block
  Join({0x00, 0x99, 0x99, 0, 0, 0x04});
  Join({0x06, 0x1A, 0x2B, 0, 0, 0x05});
  Learn({0x06, 0x1A, 0x2B, 0, 0, 0x05}, "张三的iPhone", std::nullopt);
  EXPECT_TRUE(WaitCells({"0|00-1A-2B-00-00-01|Pixel-7|192.168.137.11",
                         "1|00-1A-2B-00-00-02|Maker, Inc.|", "2|02-1A-2B-00-00-03|随机地址|",
                         "3|00-99-99-00-00-04|未知设备|", "4|06-1A-2B-00-00-05|张三的iPhone|"}))
      << testing::PrintToString(Cells());
}

TEST_F(TavloDevicesTest, FactsThatArriveLaterFillTheSameRowInPlace) {
  StartSharing();
  const Mac phone = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  Join({0x00, 0x1A, 0x2B, 0, 0, 0x01});
  Join(phone);
  ASSERT_TRUE(WaitCells({"0|00-1A-2B-00-00-01|Maker, Inc.|", "1|02-11-22-33-44-55|随机地址|"}));
  DuiLib::CListTextElementUI* row = Row(1);
  row->Select();

  Learn(phone, std::nullopt, "192.168.137.23");
  ASSERT_TRUE(WaitCells(
      {"0|00-1A-2B-00-00-01|Maker, Inc.|", "1|02-11-22-33-44-55|随机地址|192.168.137.23"}));
  Learn(phone, "Redmi-Note-12", std::nullopt);
  ASSERT_TRUE(WaitCells(
      {"0|00-1A-2B-00-00-01|Maker, Inc.|", "1|02-11-22-33-44-55|Redmi-Note-12|192.168.137.23"}));
  // The same row object, still selected: nothing was rebuilt.
  EXPECT_EQ(Row(1), row);
  EXPECT_TRUE(row->IsSelected());
  EXPECT_EQ(List()->GetCurSel(), 1);

  // It leaves and comes back: known at once.
  ASSERT_EQ(sim_->wireless().StationLeave(phone), 0u);
  ASSERT_TRUE(WaitCells({"0|00-1A-2B-00-00-01|Maker, Inc.|"}));
  Join(phone);
  EXPECT_TRUE(WaitCells(
      {"0|00-1A-2B-00-00-01|Maker, Inc.|", "1|02-11-22-33-44-55|Redmi-Note-12|192.168.137.23"}));
}

TEST_F(TavloDevicesTest, FactsKnownBeforeTheRowAreInItFromTheStart) {
  // Known before the window watched, and heard before the device's row was there.
  const Mac early = {0x00, 0x1A, 0x2B, 0, 0, 0x07}, heard = {0x00, 0x1A, 0x2B, 0, 0, 0x08};
  Learn(early, "laptop", "10.42.0.7");
  sim_->WaitUntilSettled();
  StartSharing();
  Learn(heard, "tablet", "10.42.0.8");
  sim_->WaitUntilSettled();
  testing_qt::Pump();
  std::vector<std::vector<std::string>> seen;
  Join(early);
  Join(heard);
  // Every state the rows were in: never without the facts.
  ASSERT_TRUE(testing_qt::WaitUntil(
      [&] {
        seen.push_back(Cells());
        return List()->GetCount() == 2;
      },
      3000));
  EXPECT_EQ(Cells(), (std::vector<std::string>{"0|00-1A-2B-00-00-07|laptop|10.42.0.7",
                                               "1|00-1A-2B-00-00-08|tablet|10.42.0.8"}));
  for (const auto& rows : seen) {
    for (const std::string& row : rows)
      EXPECT_NE(row.find("|10.42.0."), std::string::npos) << row;
  }
}

TEST_F(TavloDevicesTest, ColumnsFitTheWindowAndLongNamesAreCutWithTheWholeNameInATooltip) {
  StartSharing();
  const std::string long_name = "Xiaomi-Redmi-Note-12-Turbo-5G-of-the-living-room-sofa";
  Join({0x00, 0x1A, 0x2B, 0, 0, 0x01});
  Learn({0x00, 0x1A, 0x2B, 0, 0, 0x01}, long_name, "192.168.137.255");
  Join({0x00, 0x1A, 0x2B, 0, 0, 0x02});
  Learn({0x00, 0x1A, 0x2B, 0, 0, 0x02}, "Pixel", "10.0.0.2");
  ASSERT_TRUE(testing_qt::WaitUntil(
      [&] { return List()->GetCount() == 2 && !Row(1)->GetText(3).IsEmpty(); }, 3000));
  ClickControl(u"optionUsers");
  tavlo_->GetPaintManager().UpdateLayout();

  RECT window{};
  DuiLib::GetWindowRect(hwnd_, &window);
  EXPECT_EQ(window.right - window.left, 520);
  EXPECT_EQ(window.bottom - window.top, 480);
  const DuiLib::TListInfoUI* info = List()->GetListInfo();
  ASSERT_EQ(info->nColumns, 4);
  EXPECT_LE(info->rcColumn[3].right, List()->GetPos().right);
  EXPECT_TRUE(info->uTextStyle & DuiLib::DT_END_ELLIPSIS);

  // The number, the longest MAC text and the longest address fit; the long name does not.
  DuiLib::CListTextElementUI* cut = Row(0);
  for (int column : {0, 1, 3})
    EXPECT_FALSE(cut->IsTextCut(column)) << column;
  EXPECT_TRUE(cut->IsTextCut(2));
  EXPECT_EQ(cut->GetToolTip().ToUtf8(), long_name);
  EXPECT_FALSE(Row(1)->IsTextCut(2));
  EXPECT_TRUE(Row(1)->GetToolTip().IsEmpty());

  // Resting the pointer on the row shows the whole name.
  const RECT rc = cut->GetPos();
  testing_qt::MoveMouse(widget(), QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
  EXPECT_TRUE(testing_qt::WaitUntil(
      [&] { return widget()->toolTip() == QString::fromStdString(long_name); }, 2000))
      << widget()->toolTip().toStdString();
}

TEST(DeviceNameTest, HostNamesAreShownCleanAndBlankOnesDoNotCount) {
  const Mac maker_block = {0x00, 0x1A, 0x2B, 1, 2, 3};
  OneMaker makers;
  EXPECT_EQ(app::DeviceDisplayName(maker_block, "  tab\tlet\x01 ", &makers), u"tab let");
  EXPECT_EQ(app::DeviceDisplayName(maker_block, "bad\xff", &makers), u"bad\uFFFD");
  EXPECT_EQ(app::DeviceDisplayName(maker_block, " \r\n ", &makers), u"Maker, Inc.");
  EXPECT_EQ(app::DeviceDisplayName(maker_block, "", nullptr), app::kUnknownDeviceName);
  EXPECT_EQ(app::DeviceDisplayName({0x02, 0x1A, 0x2B, 1, 2, 3}, "", &makers),
            app::kRandomAddressName);
}

}  // namespace
}  // namespace apptest
