#include "ui/chart.h"

#include <algorithm>

#include "rtl/stream.h"

namespace {

// The settings a chart declares, by stored name.
constexpr std::string_view ChartSettings[] = {
    "AllowPanning",
    "AllowZoom",
    "AxisVisible",
    "BackImageInside",
    "BackWall.Brush.Color",
    "BackWall.Brush.Style",
    "BackWall.Pen.Visible",
    "BottomAxis.Automatic",
    "BottomAxis.AutomaticMaximum",
    "BottomAxis.AutomaticMinimum",
    "BottomAxis.Increment",
    "BottomAxis.LabelsFont.Charset",
    "BottomAxis.LabelsFont.Color",
    "BottomAxis.LabelsFont.Height",
    "BottomAxis.LabelsFont.Name",
    "BottomAxis.LabelsFont.Style",
    "BottomAxis.Maximum",
    "BottomAxis.Minimum",
    "BottomAxis.Title.Font.Charset",
    "BottomAxis.Title.Font.Color",
    "BottomAxis.Title.Font.Height",
    "BottomAxis.Title.Font.Name",
    "BottomAxis.Title.Font.Style",
    "Chart3DPercent",
    "ClipPoints",
    "Frame.Visible",
    "LeftAxis.Automatic",
    "LeftAxis.AutomaticMaximum",
    "LeftAxis.AutomaticMinimum",
    "LeftAxis.LabelsFont.Charset",
    "LeftAxis.LabelsFont.Color",
    "LeftAxis.LabelsFont.Height",
    "LeftAxis.LabelsFont.Name",
    "LeftAxis.LabelsFont.Style",
    "LeftAxis.Maximum",
    "LeftAxis.Minimum",
    "LeftAxis.Title.Font.Charset",
    "LeftAxis.Title.Font.Color",
    "LeftAxis.Title.Font.Height",
    "LeftAxis.Title.Font.Name",
    "LeftAxis.Title.Font.Style",
    "Legend.Font.Charset",
    "Legend.Font.Color",
    "Legend.Font.Height",
    "Legend.Font.Name",
    "Legend.Font.Style",
    "Legend.LegendStyle",
    "Title.Font.Charset",
    "Title.Font.Color",
    "Title.Font.Height",
    "Title.Font.Name",
    "Title.Font.Style",
    "Title.Text.Strings",
    "View3D",
    "View3DOptions.Elevation",
    "View3DOptions.Orthogonal",
    "View3DOptions.Perspective",
    "View3DOptions.Rotation",
    "View3DOptions.Zoom",
    "View3DWalls",
};

// The settings a polar series declares, by stored name.
constexpr std::string_view SeriesSettings[] = {
    "AngleIncrement",
    "AngleValues.DateTime",
    "AngleValues.Multiplier",
    "AngleValues.Name",
    "AngleValues.Order",
    "Brush.Color",
    "Brush.Style",
    "CircleLabelsFont.Charset",
    "CircleLabelsFont.Color",
    "CircleLabelsFont.Height",
    "CircleLabelsFont.Name",
    "CircleLabelsFont.Style",
    "Marks.ArrowLength",
    "Marks.Font.Charset",
    "Marks.Font.Color",
    "Marks.Font.Height",
    "Marks.Font.Name",
    "Marks.Font.Style",
    "Marks.Visible",
    "Pen.Color",
    "Pointer.InflateMargins",
    "Pointer.Style",
    "Pointer.Visible",
    "SeriesColor",
};

template <class C, std::size_t N>
std::vector<TPropertyBinding> SettingBindings(const std::string_view (&names)[N]) {
  std::vector<TPropertyBinding> bindings;
  for (const std::string_view name : names) {
    bindings.push_back(Bind<C>(name, [name](C& object, const TPropertyValue& value) {
      object.SetSetting(name, value);
    }));
  }
  return bindings;
}

const TPropertyValue* FindSetting(const std::map<std::string, TPropertyValue, std::less<>>& settings,
                                  std::string_view name) {
  const auto found = settings.find(name);
  return found == settings.end() ? nullptr : &found->second;
}

}  // namespace

const TPublishedClass& TChart::Published() {
  static const TPublishedClass entry = [] {
    std::vector<TPropertyBinding> bindings = SettingBindings<TChart>(ChartSettings);
    bindings.push_back(Bind<TChart>("BackImage.Data", [](TChart& chart, const TPropertyValue& v) {
      const std::vector<std::uint8_t>& bytes = PropertyBytes(v, "BackImage.Data");
      TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      chart.BackImage_.ReadData(stream);
    }));
    return TPublishedClass{TComponentClass::Of<TChart>(), &TControl::Published(),
                           std::move(bindings), nullptr};
  }();
  return entry;
}

TChart::~TChart() {
  for (TPolarSeries* series : Series_) series->ParentChart_ = nullptr;
}

const TPropertyValue* TChart::Setting(std::string_view name) const {
  return FindSetting(Settings_, name);
}

void TChart::SetSetting(std::string_view name, TPropertyValue value) {
  Settings_.insert_or_assign(std::string(name), std::move(value));
}

const TPublishedClass& TPolarSeries::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TPolarSeries>(), nullptr, SettingBindings<TPolarSeries>(SeriesSettings),
      // A series nested in the description belongs to the chart around it.
      [](TComponent& series, TComponent& parent) {
        static_cast<TPolarSeries&>(series).SetParentChart(&dynamic_cast<TChart&>(parent));
      }};
  return entry;
}

TPolarSeries::~TPolarSeries() { SetParentChart(nullptr); }

void TPolarSeries::SetParentChart(TChart* chart) {
  if (chart == ParentChart_) return;
  if (ParentChart_ != nullptr) {
    auto& list = ParentChart_->Series_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  ParentChart_ = chart;
  if (ParentChart_ != nullptr) ParentChart_->Series_.push_back(this);
}

const TPropertyValue* TPolarSeries::Setting(std::string_view name) const {
  return FindSetting(Settings_, name);
}

void TPolarSeries::SetSetting(std::string_view name, TPropertyValue value) {
  Settings_.insert_or_assign(std::string(name), std::move(value));
}
