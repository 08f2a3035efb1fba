// SPDX-License-Identifier: GPL-3.0-or-later
// Following the local date: a real-time timer to the next midnight, a watch on the time
// zone and the window's focus-in, each of which looks whether a new day began.
#include "ui/day-follow.h"

#include <gio/gio.h>
#include <glib-unix.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "budget/date-string.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"

namespace {

// Object data of the main window: its DayFollow.
constexpr char kDayFollowKey[] = "day-follow";

struct DayFollow {
  GuiState *state = nullptr;
  char today[DATE_STRING_SIZE] = "";  // the local date as the window last knew it
  int timer = -1;                     // timerfd on CLOCK_REALTIME, or -1
  guint timer_source = 0;
  GFileMonitor *zone = nullptr;  // /etc/localtime
};

void day_follow_free(gpointer data) {
  auto *follow = static_cast<DayFollow *>(data);
  if (follow->timer_source) g_source_remove(follow->timer_source);
  if (follow->timer >= 0) close(follow->timer);
  if (follow->zone) {
    g_signal_handlers_disconnect_by_data(follow->zone, follow);
    g_file_monitor_cancel(follow->zone);
    g_object_unref(follow->zone);
  }
  delete follow;
}

DayFollow *follow_of(GuiState *state) {
  if (!state || !state->main_window) return nullptr;
  return static_cast<DayFollow *>(g_object_get_data(G_OBJECT(state->main_window), kDayFollowKey));
}

// Sets the timer to the next local midnight. The delay is worked out on the program's clock
// and set on the real-time clock, so that a suspend, which stops the monotonic clock that
// GLib's timeouts use, cannot make it late; a clock set by hand or by NTP cancels it, and it
// is set again.
void arm_timer(DayFollow *follow) {
  if (follow->timer < 0) return;
  const time_t now = date_clock_now();
  const time_t wait = day_follow_next_midnight(now) - now;
  struct timespec real;
  clock_gettime(CLOCK_REALTIME, &real);
  struct itimerspec when = {};
  when.it_value.tv_sec = real.tv_sec + (wait > 0 ? wait : 1);
  timerfd_settime(follow->timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

gboolean on_midnight(gint fd, GIOCondition, gpointer data) {
  auto *follow = static_cast<DayFollow *>(data);
  uint64_t expirations = 0;
  // ECANCELED: the clock was set; either way the date is looked at and the timer set anew.
  if (read(fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN) return G_SOURCE_CONTINUE;
  run_guarded("on_midnight", [&] { day_follow_check(follow->state); });
  arm_timer(follow);
  return G_SOURCE_CONTINUE;
}

// The time zone changed: localtime reads it again, and the date is looked at.
void on_zone_changed(GFileMonitor *, GFile *, GFile *, GFileMonitorEvent, gpointer data) {
  auto *follow = static_cast<DayFollow *>(data);
  tzset();
  run_guarded("on_zone_changed", [&] { day_follow_check(follow->state); });
  arm_timer(follow);
}

gboolean on_window_focus_in(GtkWidget *, GdkEvent *, gpointer data) {
  run_guarded("on_window_focus_in", [&] { day_follow_check(static_cast<GuiState *>(data)); });
  return FALSE;
}

}  // namespace

time_t day_follow_next_midnight(time_t now) {
  struct tm local;
  if (!localtime_r(&now, &local)) return now + 24 * 60 * 60;
  local.tm_mday += 1;
  local.tm_hour = 0;
  local.tm_min = 0;
  local.tm_sec = 0;
  local.tm_isdst = -1;
  const time_t next = mktime(&local);
  return next > now ? next : now + 1;
}

void day_follow_install(GuiState *state) {
  if (!state->main_window) return;
  auto *follow = new DayFollow;
  follow->state = state;
  date_today(follow->today);
  g_object_set_data_full(G_OBJECT(state->main_window), kDayFollowKey, follow, day_follow_free);
  follow->timer = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  if (follow->timer >= 0) {
    follow->timer_source = g_unix_fd_add(follow->timer, G_IO_IN, on_midnight, follow);
    arm_timer(follow);
  }
  GFile *zone = g_file_new_for_path("/etc/localtime");
  follow->zone = g_file_monitor_file(zone, G_FILE_MONITOR_NONE, nullptr, nullptr);
  g_object_unref(zone);
  if (follow->zone) g_signal_connect(follow->zone, "changed", G_CALLBACK(on_zone_changed), follow);
  g_signal_connect(state->main_window, "focus-in-event", G_CALLBACK(on_window_focus_in), state);
}

bool day_follow_update(GuiState *state) {
  DayFollow *follow = follow_of(state);
  if (!follow) return false;
  char today[DATE_STRING_SIZE];
  date_today(today);
  if (strcmp(today, follow->today) == 0) return false;
  const bool showed_today = strcmp(state->current_date, follow->today) == 0;
  memcpy(follow->today, today, sizeof today);
  if (showed_today) memcpy(state->current_date, today, sizeof today);
  return showed_today;
}

bool day_follow_check(GuiState *state) {
  DayFollow *follow = follow_of(state);
  if (!follow) return false;
  char before[DATE_STRING_SIZE];
  memcpy(before, follow->today, sizeof before);
  const bool moved = day_follow_update(state);
  // A new day relabels the view ("Today", Copy to Today) even where the date stays.
  if (strcmp(before, follow->today) != 0) refresh_views(state);
  return moved;
}
