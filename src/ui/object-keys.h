// SPDX-License-Identifier: GPL-3.0-or-later
// Keys of the values that dialogs and buttons carry as object data.
#pragma once

#define KEY_GUI_STATE "gui-state"
#define KEY_SPIN_QUANTITY "spin-quantity"
#define KEY_CALENDAR "calendar"
#define KEY_FOOD_CODE "food-code"
#define KEY_FOOD_DESC "food-desc"
#define KEY_FOOD_DB "food-db"
#define KEY_NUTRIENT_GRID "nutrient-grid"
#define KEY_ENTRY_ID "entry-id"
#define KEY_ENTRY_SERVINGS "entry-servings"
#define KEY_ENTRY_DATE "entry-date"
#define KEY_ENTRY_DESC "entry-desc"
#define KEY_BIRTHDAY_ENTRY "birthday-entry"
#define KEY_HEIGHT_SPIN "height-spin"
#define KEY_WEIGHT_SPIN "weight-spin"
#define KEY_ACTIVITY_COMBO "activity-combo"
#define KEY_GENDER_COMBO "gender-combo"
#define KEY_PROFILE_UNREAD "profile-unread"
#define KEY_PROFILE_INFO_BAR "profile-info-bar"
#define KEY_PROFILE_INFO_LABEL "profile-info-label"
