// TChart and TPolarSeries: a chart and its series as a window description declares them. No
// charting engine stands behind them: nothing in the program shows, fills or reads a chart, so
// they keep what the description says as data (each setting under its stored name) and the
// chart's background picture in a picture holder. A setting that the classes do not know is
// refused like any unknown property.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control.h"
#include "ui/picture.h"

class TPolarSeries;

class TChart : public TControl {
 public:
  TS_CLASS_NAME(TChart)
  static const TPublishedClass& Published();

  explicit TChart(TComponent* owner) : TControl(owner) {}
  ~TChart() override;

  // The declared value of setting `name` ("Title.Text.Strings", "View3D", ...); null when the
  // description did not set it.
  const TPropertyValue* Setting(std::string_view name) const;
  void SetSetting(std::string_view name, TPropertyValue value);
  // The background picture (the stored "BackImage.Data").
  const TPicture& BackImage() const { return BackImage_; }

  // The series drawn in this chart, in the order they were placed; not owned.
  const std::vector<TPolarSeries*>& Series() const { return Series_; }

 private:
  friend class TPolarSeries;

  std::map<std::string, TPropertyValue, std::less<>> Settings_;
  TPicture BackImage_;
  std::vector<TPolarSeries*> Series_;
};

class TPolarSeries : public TComponent {
 public:
  TS_CLASS_NAME(TPolarSeries)
  static const TPublishedClass& Published();

  explicit TPolarSeries(TComponent* owner) : TComponent(owner) {}
  // Leaves its chart.
  ~TPolarSeries() override;

  // The chart this series belongs to; null when none.
  TChart* ParentChart() const { return ParentChart_; }
  void SetParentChart(TChart* chart);

  const TPropertyValue* Setting(std::string_view name) const;
  void SetSetting(std::string_view name, TPropertyValue value);

 private:
  friend class TChart;

  std::map<std::string, TPropertyValue, std::less<>> Settings_;
  TChart* ParentChart_ = nullptr;
};
