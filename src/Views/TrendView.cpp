#include "Views/TrendView.hpp"

#include "AppTheme.hpp"
#include "Logger.hpp"
#include "TagInspector.hpp"
#include "Views/ThemedPanel.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <imgui_stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>

#include <fmt/format.h>

namespace {

constexpr std::int64_t second = 1'000'000'000;
constexpr float valueAxisWidth = 64.0f;
constexpr float timeAxisHeight = 22.0f;
constexpr float lineThickness = 1.5f;

// Distinct on the dark background; a series keeps its colour while it is shown.
constexpr std::array<ImU32, 10> palette{
    IM_COL32(0x4E, 0xA8, 0xFF, 0xFF), IM_COL32(0xFF, 0xA0, 0x3C, 0xFF), IM_COL32(0x5C, 0xD6, 0x6E, 0xFF),
    IM_COL32(0xFF, 0x5C, 0x73, 0xFF), IM_COL32(0xC0, 0x8C, 0xFF, 0xFF), IM_COL32(0xF2, 0xE0, 0x4B, 0xFF),
    IM_COL32(0x3C, 0xE0, 0xD8, 0xFF), IM_COL32(0xFF, 0x8C, 0xD2, 0xFF), IM_COL32(0xB4, 0xB4, 0xB4, 0xFF),
    IM_COL32(0x9C, 0xCC, 0x3C, 0xFF),
};

// Time between labels on the time axis: the first that leaves room for a label.
constexpr std::array<std::int64_t, 12> timeSteps{1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800};

bool isNumeric(const TagInspector::Entry& row) {
    return !row.isString && zoltc_logix_type_is_atomic(row.type);
}

// A round step (1, 2 or 5 times a power of ten) of at least `span` / `count`.
double niceStep(double span, int count) {
    const double rough = span / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

zolt::ui::Vec4 itemRect() {
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    return zolt::ui::Vec4{min.x, min.y, max.x, max.y};
}

} // namespace

TrendView::TrendView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), inspector(&TagInspector::instance()),
      exportPath((std::filesystem::current_path() / "trend.csv").string()) {
    panel = addThemedPanel(*this, [this] { buildImGui(); });
    inspector->addRefreshObserver(this, [this](const TagInspector::ReadBatch& batch) { history.record(batch); });
}

TrendView::~TrendView() {
    inspector->removeRefreshObserver(this);
}

void TrendView::resized() {
    zolt::ui::Widget::resized();
    panel->setPreferredSize(getActualSize());
}

void TrendView::setShown(const std::string& name, bool show) {
    const auto same = [&name](const Shown& series) { return series.name == name; };
    const bool isShown = std::any_of(shown.begin(), shown.end(), same);
    if (!show) {
        std::erase_if(shown, same);
    } else if (!isShown) {
        // The first colour no shown series has, so that the others keep theirs.
        std::size_t colour = 0;
        while (colour < palette.size() && std::any_of(shown.begin(), shown.end(), [colour](const Shown& series) {
                   return series.colour == colour;
               })) {
            ++colour;
        }
        shown.push_back(Shown{name, colour % palette.size()});
    }
}

std::vector<std::string> TrendView::shownNames() const {
    std::vector<std::string> names;
    for (const Shown& series : shown) {
        names.push_back(series.name);
    }
    return names;
}

void TrendView::buildImGui() {
    // Rows no longer watched (or no longer numeric) leave the plot.
    const std::vector<TagInspector::Entry>& rows = inspector->entries();
    std::erase_if(shown, [&rows](const Shown& series) {
        return std::none_of(rows.begin(), rows.end(), [&series](const TagInspector::Entry& row) {
            return row.name == series.name && isNumeric(row);
        });
    });
    const std::int64_t to = pausedAt != 0 ? pausedAt : inspector->now();
    const std::int64_t from = to - windowMinutes * 60 * second;
    drawn.legendBoxes.clear();
    drawn.points.clear();

    beginPaneContent();
    buildBar(from, to);
    const ImVec2 area = ImGui::GetContentRegionAvail();
    const float legendWidth = std::clamp(area.x * 0.38f, 220.0f, 380.0f);
    if (ImGui::BeginChild("legend", ImVec2(legendWidth, area.y - 6.0f), ImGuiChildFlags_None)) {
        buildLegend(from, to);
    }
    ImGui::EndChild();
    ImGui::SameLine();
    const ImVec2 min = ImGui::GetCursorScreenPos();
    const ImVec2 size = ImGui::GetContentRegionAvail();
    if (size.x > valueAxisWidth + 20.0f && size.y > timeAxisHeight + 20.0f) {
        drawPlot(*ImGui::GetWindowDrawList(), min, ImVec2(min.x + size.x, min.y + size.y), from, to);
    }
}

void TrendView::buildBar(std::int64_t from, std::int64_t to) {
    for (const int minutes : windowChoices) {
        const std::string label = fmt::format("{} min", minutes);
        if (ImGui::RadioButton(label.c_str(), windowMinutes == minutes)) {
            windowMinutes = minutes;
        }
        ImGui::SameLine();
    }
    if (ImGui::Button(pausedAt != 0 ? "Resume" : "Pause")) {
        pausedAt = pausedAt != 0 ? 0 : inspector->now();
    }
    drawn.pauseButton = itemRect();
    ImGui::SameLine();
    if (ImGui::Checkbox("Auto-scale", &autoScale) && !autoScale) {
        // The typed range starts where the scaling was.
        std::tie(fixedLow, fixedHigh) = valueAxis(from, to);
    }
    if (!autoScale) {
        ImGui::SameLine();
        ImGui::SetNextItemWidth(90.0f);
        ImGui::InputDouble("Min", &fixedLow, 0.0, 0.0, "%g");
        ImGui::SameLine();
        ImGui::SetNextItemWidth(90.0f);
        ImGui::InputDouble("Max", &fixedHigh, 0.0, 0.0, "%g");
    }
    ImGui::SameLine();
    buildExport();
}

void TrendView::buildExport() {
    ImGui::BeginDisabled(shown.empty());
    if (ImGui::Button("Export CSV\xE2\x80\xA6")) {
        exportMessage.clear();
        ImGui::OpenPopup("export");
    }
    ImGui::EndDisabled();
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8.0f, 8.0f));
    const bool open = ImGui::BeginPopup("export");
    ImGui::PopStyleVar();
    if (!open) {
        return;
    }
    ImGui::TextUnformatted("The shown series, all samples kept, to the file:");
    ImGui::SetNextItemWidth(420.0f);
    if (ImGui::IsWindowAppearing()) {
        ImGui::SetKeyboardFocusHere(); // the path can be typed at once
    }
    const bool entered = ImGui::InputText("##path", &exportPath, ImGuiInputTextFlags_EnterReturnsTrue);
    ImGui::SameLine();
    if (ImGui::Button("Save") || entered) {
        std::size_t lines = 0;
        const std::optional<std::string> failure = history.exportCsv(exportPath, shownNames(), &lines);
        exportFailed = failure.has_value();
        exportMessage = failure ? *failure : fmt::format("{} lines written to {}", lines, exportPath);
        if (failure) {
            logWarn("Trend export failed: {}", *failure);
        } else {
            logInfo("Trend exported: {}", exportMessage);
        }
    }
    if (!exportMessage.empty()) {
        const AppTheme& theme = AppTheme::instance();
        ImGui::PushStyleColor(ImGuiCol_Text, imColor(exportFailed ? theme.errorColor() : theme.successColor()));
        ImGui::TextUnformatted(exportMessage.c_str());
        ImGui::PopStyleColor();
    }
    ImGui::EndPopup();
}

void TrendView::buildLegend(std::int64_t from, std::int64_t to) {
    constexpr ImGuiTableFlags flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV |
                                      ImGuiTableFlags_SizingStretchProp | ImGuiTableFlags_ScrollY;
    if (std::none_of(inspector->entries().begin(), inspector->entries().end(), isNumeric)) {
        ImGui::TextWrapped("Watch a numeric tag (pick it in the tree) to trend it here.");
        return;
    }
    if (ImGui::BeginTable("series", 4, flags)) {
        ImGui::TableSetupScrollFreeze(0, 1);
        ImGui::TableSetupColumn("Series", ImGuiTableColumnFlags_WidthStretch, 2.0f);
        ImGui::TableSetupColumn("Last", ImGuiTableColumnFlags_WidthStretch, 1.0f);
        ImGui::TableSetupColumn("Min", ImGuiTableColumnFlags_WidthStretch, 1.0f);
        ImGui::TableSetupColumn("Max", ImGuiTableColumnFlags_WidthStretch, 1.0f);
        ImGui::TableHeadersRow();
        for (const TagInspector::Entry& row : inspector->entries()) {
            if (!isNumeric(row)) {
                continue;
            }
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::PushID(row.name.c_str());
            const auto found = std::find_if(shown.begin(), shown.end(),
                                            [&row](const Shown& series) { return series.name == row.name; });
            bool show = found != shown.end();
            if (show) {
                ImGui::PushStyleColor(ImGuiCol_CheckMark, palette[found->colour]);
            }
            const bool toggled = ImGui::Checkbox("##shown", &show);
            if (found != shown.end()) {
                ImGui::PopStyleColor();
            }
            drawn.legendBoxes.emplace_back(row.name, itemRect());
            ImGui::SameLine();
            ImGui::TextUnformatted(row.name.c_str());
            if (ImGui::IsItemHovered()) {
                ImGui::SetTooltip("%s (%s)", row.name.c_str(), row.typeName.c_str());
            }
            const TrendSeries* series = history.find(row.name);
            const TrendRange range = series != nullptr ? series->range(from, to) : TrendRange{};
            if (range.count > 0) {
                for (const double value : {range.last, range.min, range.max}) {
                    ImGui::TableNextColumn();
                    ImGui::Text("%.5g", value);
                }
            }
            ImGui::PopID();
            if (toggled) {
                setShown(row.name, show);
            }
        }
        ImGui::EndTable();
    }
}

std::pair<double, double> TrendView::valueAxis(std::int64_t from, std::int64_t to) const {
    if (!autoScale) {
        return fixedLow < fixedHigh ? std::pair(fixedLow, fixedHigh) : std::pair(fixedHigh - 1.0, fixedHigh + 1.0);
    }
    TrendRange all;
    for (const Shown& series : shown) {
        const TrendSeries* kept = history.find(series.name);
        const TrendRange range = kept != nullptr ? kept->range(from, to) : TrendRange{};
        if (range.count > 0) {
            all.min = all.count == 0 ? range.min : std::min(all.min, range.min);
            all.max = all.count == 0 ? range.max : std::max(all.max, range.max);
            all.count += range.count;
        }
    }
    if (all.count == 0) {
        return {0.0, 1.0};
    }
    // A flat line sits in the middle; otherwise a twentieth of the span above and below.
    const double margin = all.max > all.min ? (all.max - all.min) / 20.0 : std::max(std::abs(all.max) / 10.0, 1.0);
    return {all.min - margin, all.max + margin};
}

void TrendView::drawPlot(ImDrawList& list, ImVec2 min, ImVec2 max, std::int64_t from, std::int64_t to) {
    const AppTheme& theme = AppTheme::instance();
    const ImU32 grid = imColor(theme.surfaceColor());
    const ImU32 text = imColor(theme.secondaryTextColor());
    const ImVec2 plotMin(min.x + valueAxisWidth, min.y + 4.0f);
    const ImVec2 plotMax(max.x - 8.0f, max.y - timeAxisHeight);
    list.AddRectFilled(plotMin, plotMax, IM_COL32(0x0A, 0x0A, 0x0A, 0xFF));

    const auto [low, high] = valueAxis(from, to);
    drawn.low = low;
    drawn.high = high;
    const float height = plotMax.y - plotMin.y;
    const double valueStep = niceStep(high - low, std::max(2, static_cast<int>(height / 28.0f)));
    // Counted, not summed: next to a large value a small step may not change a double.
    const double firstValue = std::ceil(low / valueStep) * valueStep;
    for (int k = 0; k < 64 && firstValue + k * valueStep <= high; ++k) {
        const double value = firstValue + k * valueStep;
        const float y = plotMax.y - static_cast<float>((value - low) / (high - low)) * height;
        list.AddLine(ImVec2(plotMin.x, y), ImVec2(plotMax.x, y), grid);
        const std::string label = fmt::format("{:.6g}", std::abs(value) < valueStep / 1e6 ? 0.0 : value);
        const ImVec2 labelSize = ImGui::CalcTextSize(label.c_str());
        list.AddText(ImVec2(plotMin.x - labelSize.x - 6.0f, y - labelSize.y / 2.0f), text, label.c_str());
    }

    const float width = plotMax.x - plotMin.x;
    const double span = static_cast<double>(to - from);
    const float labelWidth = ImGui::CalcTextSize("00:00:00").x + 24.0f;
    std::int64_t step = timeSteps.back();
    const double pixelsPerSecond = static_cast<double>(width) * static_cast<double>(second) / span;
    for (const std::int64_t seconds : timeSteps) {
        if (static_cast<double>(seconds) * pixelsPerSecond >= static_cast<double>(labelWidth)) {
            step = seconds;
            break;
        }
    }
    step *= second;
    // Local midnight need not fall on a whole multiple of the step; the labels are whole
    // seconds all the same.
    for (std::int64_t time = (from / step + 1) * step; time <= to; time += step) {
        const float x = plotMin.x + static_cast<float>(static_cast<double>(time - from) / span) * width;
        list.AddLine(ImVec2(x, plotMin.y), ImVec2(x, plotMax.y), grid);
        const std::string label = formatClockTime(time);
        const float half = ImGui::CalcTextSize(label.c_str()).x / 2.0f;
        list.AddText(ImVec2(std::clamp(x - half, plotMin.x, plotMax.x - 2.0f * half), plotMax.y + 4.0f), text,
                     label.c_str());
    }

    list.PushClipRect(plotMin, plotMax, true);
    for (const Shown& series : shown) {
        const TrendSeries* kept = history.find(series.name);
        drawn.points.push_back(0);
        if (kept != nullptr) {
            drawSeries(list, *kept, palette[series.colour], plotMin, plotMax, from, to);
        }
    }
    list.PopClipRect();
    list.AddRect(plotMin, plotMax, grid);
    if (ImGui::IsMouseHoveringRect(plotMin, plotMax)) {
        const float x = ImGui::GetIO().MousePos.x;
        list.AddLine(ImVec2(x, plotMin.y), ImVec2(x, plotMax.y), text);
        readOut(from + static_cast<std::int64_t>(static_cast<double>((x - plotMin.x) / width) * span));
    }
}

void TrendView::readOut(std::int64_t time) const {
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 4.0f));
    ImGui::BeginTooltip();
    ImGui::PopStyleVar();
    ImGui::TextUnformatted(formatClockTime(time).c_str());
    for (const Shown& series : shown) {
        // The value that stood at that time: the last sample read before it.
        const TrendSeries* kept = history.find(series.name);
        const std::size_t after = kept != nullptr ? kept->lowerBound(time + 1) : 0;
        ImGui::PushStyleColor(ImGuiCol_Text, palette[series.colour]);
        if (after == 0 || kept->at(after - 1).isGap()) {
            ImGui::Text("%s: no value", series.name.c_str());
        } else {
            ImGui::Text("%s: %.6g", series.name.c_str(), kept->at(after - 1).value);
        }
        ImGui::PopStyleColor();
    }
    ImGui::EndTooltip();
}

void TrendView::drawSeries(ImDrawList& list, const TrendSeries& series, ImU32 colour, ImVec2 min, ImVec2 max,
                           std::int64_t from, std::int64_t to) {
    const double span = static_cast<double>(to - from);
    const double low = drawn.low;
    const double range = drawn.high - drawn.low;
    const float width = max.x - min.x;
    const float height = max.y - min.y;
    const auto flush = [&] {
        if (line.size() == 1) {
            list.AddCircleFilled(line.front(), 2.0f, colour);
        } else if (line.size() > 1) {
            list.AddPolyline(line.data(), static_cast<int>(line.size()), colour, ImDrawFlags_None, lineThickness);
        }
        drawn.points.back() += line.size();
        line.clear();
    };
    // From the sample before the window on, so that the line reaches its left edge.
    std::size_t i = series.lowerBound(from);
    i = i > 0 ? i - 1 : 0;
    const std::size_t end = series.lowerBound(to + 1);
    for (; i < end; ++i) {
        const TrendSample& sample = series.at(i);
        if (sample.isGap()) {
            flush();
            continue;
        }
        const float x = min.x + static_cast<float>(static_cast<double>(sample.time - from) / span) * width;
        // Far outside a typed range a value is a line leaving the plot, not a float overflow.
        const double above = std::clamp((sample.value - low) / range, -100.0, 100.0);
        line.emplace_back(x, max.y - static_cast<float>(above) * height);
    }
    flush();
}
