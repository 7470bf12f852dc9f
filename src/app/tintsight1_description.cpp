#include "app/tintsight1_description.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/chart_background.h"
#include "app/tintsight1.h"

namespace {

using TProperties = std::vector<std::pair<std::string, TPropertyValue>>;

TPropertyValue Ident(const char* name) { return TIdent{name}; }

TPropertyValue Idents(std::initializer_list<const char*> names) {
  TIdentSet set;
  for (const char* name : names) set.Names.emplace_back(name);
  return set;
}

TPropertyValue Lines(std::initializer_list<const char*> lines) {
  TStringList list;
  for (const char* line : lines) list.Lines.emplace_back(line);
  return list;
}

constexpr char FontName[] = "ＭＳ Ｐゴシック";

// The five settings of a font named `prefix` in the chart's and series' declarations: the
// window's typeface and character set in black, of `height`, in `style`.
void AddChartFont(TProperties& properties, const std::string& prefix, std::int64_t height,
                  std::initializer_list<const char*> style) {
  properties.emplace_back(prefix + ".Charset", Ident("SHIFTJIS_CHARSET"));
  properties.emplace_back(prefix + ".Color", Ident("clBlack"));
  properties.emplace_back(prefix + ".Height", height);
  properties.emplace_back(prefix + ".Name", FontName);
  properties.emplace_back(prefix + ".Style", Idents(style));
}

TObjectDescription Control(const TPublishedClass& objectClass, const char* name, int left, int top,
                           int width, int height, TProperties more = {}) {
  TProperties properties{{"Left", std::int64_t{left}},
                         {"Top", std::int64_t{top}},
                         {"Width", std::int64_t{width}},
                         {"Height", std::int64_t{height}}};
  for (auto& property : more) properties.push_back(std::move(property));
  return TObjectDescription{&objectClass, name, std::move(properties), {}};
}

TObjectDescription Button(const char* name, int left, int top, int width, const char* caption,
                          int tabOrder, const char* onClick) {
  TProperties more{{"Caption", caption}, {"TabOrder", std::int64_t{tabOrder}}};
  if (onClick != nullptr) {
    more.emplace_back("OnClick", Ident(onClick));
  } else {
    more.emplace_back("Visible", false);  // the one button without an operation is hidden
  }
  return Control(TButton::Published(), name, left, top, width, 25, std::move(more));
}

TObjectDescription Series() {
  TProperties settings{{"Marks.ArrowLength", std::int64_t{8}}};
  AddChartFont(settings, "Marks.Font", -12, {});
  settings.emplace_back("Marks.Visible", false);
  settings.emplace_back("SeriesColor", Ident("clRed"));
  settings.emplace_back("AngleIncrement", 10.0);
  settings.emplace_back("AngleValues.DateTime", false);
  settings.emplace_back("AngleValues.Name", "Angle");
  settings.emplace_back("AngleValues.Multiplier", 1.0);
  settings.emplace_back("AngleValues.Order", Ident("loAscending"));
  settings.emplace_back("Brush.Color", Ident("clWhite"));
  settings.emplace_back("Brush.Style", Ident("bsClear"));
  AddChartFont(settings, "CircleLabelsFont", -12, {});
  settings.emplace_back("Pen.Color", Ident("clRed"));
  settings.emplace_back("Pointer.InflateMargins", true);
  settings.emplace_back("Pointer.Style", Ident("psRectangle"));
  settings.emplace_back("Pointer.Visible", true);
  return TObjectDescription{&TPolarSeries::Published(), "Series1", std::move(settings), {}};
}

TObjectDescription Chart() {
  TProperties settings{
      {"AllowPanning", Ident("pmNone")},
      {"AllowZoom", false},
      {"BackImage.Data", TBinary{ChartBackgroundData()}},
      {"BackImageInside", true},
      {"BackWall.Brush.Color", Ident("clWhite")},
      {"BackWall.Brush.Style", Ident("bsClear")},
      {"BackWall.Pen.Visible", false},
      {"Title.Text.Strings", Lines({"Color Distribution"})},
  };
  AddChartFont(settings, "Title.Font", -16, {"fsBold"});
  for (const char* axis : {"BottomAxis", "LeftAxis"}) {
    const std::string name = axis;
    settings.emplace_back(name + ".Automatic", false);
    settings.emplace_back(name + ".AutomaticMaximum", false);
    settings.emplace_back(name + ".AutomaticMinimum", false);
    AddChartFont(settings, name + ".LabelsFont", -12, {});
    AddChartFont(settings, name + ".Title.Font", -12, {});
  }
  settings.emplace_back("BottomAxis.Increment", 10.0);
  settings.emplace_back("BottomAxis.Maximum", 900.0);
  settings.emplace_back("BottomAxis.Minimum", -900.0);
  settings.emplace_back("LeftAxis.Maximum", 948.0);
  settings.emplace_back("LeftAxis.Minimum", -948.0);
  settings.emplace_back("ClipPoints", false);
  settings.emplace_back("Frame.Visible", false);
  AddChartFont(settings, "Legend.Font", -12, {});
  settings.emplace_back("Legend.LegendStyle", Ident("lsSeries"));
  settings.emplace_back("AxisVisible", false);
  settings.emplace_back("View3D", false);
  settings.emplace_back("View3DWalls", false);
  settings.emplace_back("Chart3DPercent", std::int64_t{60});
  settings.emplace_back("View3DOptions.Elevation", std::int64_t{315});
  settings.emplace_back("View3DOptions.Orthogonal", false);
  settings.emplace_back("View3DOptions.Perspective", std::int64_t{0});
  settings.emplace_back("View3DOptions.Rotation", std::int64_t{360});
  settings.emplace_back("View3DOptions.Zoom", std::int64_t{84});
  settings.emplace_back("Align", Ident("alClient"));
  settings.emplace_back("TabOrder", std::int64_t{0});
  settings.emplace_back("Visible", false);
  TObjectDescription chart = Control(TChart::Published(), "Chart1", 1, 1, 223, 231, std::move(settings));
  chart.Children.push_back(Series());
  return chart;
}

TObjectDescription Describe() {
  TObjectDescription form{
      &Ttintsight1Form::Published(),
      "tintsight1Form",
      {{"Left", std::int64_t{296}},
       {"Top", std::int64_t{36}},
       {"Width", std::int64_t{552}},
       {"Height", std::int64_t{525}},
       {"BorderIcons", Idents({})},
       {"Caption", "Tintsight"},
       {"Color", Ident("clBtnFace")},
       {"Font.Charset", Ident("SHIFTJIS_CHARSET")},
       {"Font.Color", Ident("clWindowText")},
       {"Font.Height", std::int64_t{-12}},
       {"Font.Name", FontName},
       {"Font.Style", Idents({})},
       {"PixelsPerInch", std::int64_t{96}},
       {"TextHeight", std::int64_t{12}}},
      {}};
  auto& controls = form.Children;

  controls.push_back(Control(TImage::Published(), "Image1", 0, 0, 241, 185, {{"Stretch", true}}));
  controls.push_back(Control(TImage::Published(), "Image2", 0, 200, 537, 288, {{"Stretch", true}}));

  TObjectDescription panel = Control(TPanel::Published(), "Panel1", 0, 0, 225, 233,
                                     {{"Caption", "Panel1"},
                                      {"TabOrder", std::int64_t{0}},
                                      {"Visible", false}});
  panel.Children.push_back(Chart());
  controls.push_back(std::move(panel));

  controls.push_back(Control(TRadioGroup::Published(), "CalcConditionRadioGroup", 400, 8, 137, 177,
                             {{"Caption", "解析条件"},
                              {"ItemIndex", std::int64_t{0}},
                              // The blank inside each item is the ideographic space.
                              {"Items.Strings", Lines({"第1色　赤", "第2色　緑", "第3色　青",
                                                       "第1色　赤(明度分配)", "第2色　緑(明度分配)",
                                                       "第3色　青(明度分配)"})},
                              {"TabOrder", std::int64_t{1}}}));

  controls.push_back(Button("QuitButton", 248, 168, 75, "終了", 2, "QuitButtonClick"));
  controls.push_back(Button("LoadButton", 248, 8, 145, "ファイルから読みこむ", 3, "LoadButtonClick"));
  controls.push_back(
      Button("ClipButton", 248, 40, 145, "クリップボードから読みこむ", 4, "ClipButtonClick"));
  controls.push_back(Button("CalcButton", 248, 72, 145, "解析する", 5, "CalcButtonClick"));
  controls.push_back(Button("SaveButton", 248, 104, 145, "ファイルに保存する", 6, "SaveButtonClick"));
  controls.push_back(Button("ToClipButton", 248, 136, 145, "クリップボードに転送する", 7, nullptr));

  controls.push_back(TObjectDescription{
      &SPIsPublished(),
      "SPIs",
      {{"AutoSearch", true},
       {"SearchOptions", Idents({"spsSusieDir", "spsAppDir", "spsCurrentDir", "spsSystemDir",
                                 "spsWindowsDir", "spsAppPluginDir"})}},
      {}});
  controls.push_back(TObjectDescription{&TOpenDialog::Published(),
                                        "OpenDialog",
                                        {{"Options", Idents({"ofHideReadOnly", "ofEnableSizing"})}},
                                        {}});
  controls.push_back(TObjectDescription{&TSaveDialog::Published(),
                                        "SaveDialog",
                                        {{"Options", Idents({"ofHideReadOnly", "ofEnableSizing"})}},
                                        {}});
  return form;
}

constexpr std::pair<std::string_view, TSPISearchOption> SearchOptionIdents[] = {
    {"spsSusieDir", TSPISearchOption::spsSusieDir},
    {"spsAppDir", TSPISearchOption::spsAppDir},
    {"spsCurrentDir", TSPISearchOption::spsCurrentDir},
    {"spsSystemDir", TSPISearchOption::spsSystemDir},
    {"spsWindowsDir", TSPISearchOption::spsWindowsDir},
    {"spsAppPluginDir", TSPISearchOption::spsAppPluginDir}};

}  // namespace

const TObjectDescription& Tintsight1Description() {
  static const TObjectDescription description = Describe();
  return description;
}

const TPublishedClass& SPIsPublished() {
  static const TPublishedClass entry{
      TComponentClass::Of<TSPIs>(),
      nullptr,
      {Bind<TSPIs>("AutoSearch",
                   [](TSPIs& s, const TPropertyValue& v) {
                     s.SetAutoSearch(PropertyBool(v, "AutoSearch"));
                   }),
       Bind<TSPIs>("SearchOptions",
                   [](TSPIs& s, const TPropertyValue& v) {
                     TSPISearchOptions options;
                     for (const std::string& name : PropertySet(v, "SearchOptions")) {
                       options.Include(PropertyEnum(TPropertyValue(TIdent{name}), "SearchOptions",
                                                    SearchOptionIdents));
                     }
                     s.SetSearchOptions(options);
                   })},
      nullptr};
  return entry;
}
