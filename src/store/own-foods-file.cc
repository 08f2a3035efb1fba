// SPDX-License-Identifier: GPL-3.0-or-later
// The own foods as one JSON file (json-glib): writing all of them, reading a file back in.
#include "store/own-foods-file.h"

#include <json-glib/json-glib.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "fooddb/food-source.h"
#include "i18n.h"

namespace {

const char kFormat[] = "alimora-foods";
constexpr int64_t kVersion = 1;

// What the person reads: "%s" filled in.
std::string printed(const char *format, const std::string &a, const std::string &b = "") {
  char text[1024];
  snprintf(text, sizeof text, format, a.c_str(), b.c_str());
  return text;
}

const char *section_of(OwnKind kind) {
  return kind == OWN_FOOD ? "foods" : kind == OWN_RECIPE ? "recipes" : "meals";
}

// Writes the items of |food| as a JSON array under |member|.
void add_items(JsonBuilder *builder, const char *member, const OwnFood &food,
               const std::map<int32_t, std::string> &names) {
  json_builder_set_member_name(builder, member);
  json_builder_begin_array(builder);
  for (const OwnItem &item : food.items) {
    json_builder_begin_object(builder);
    auto named = names.find(item.food_code);
    if (food_code_is_own(item.food_code) && named != names.end()) {
      json_builder_set_member_name(builder, "name");
      json_builder_add_string_value(builder, named->second.c_str());
    } else {
      json_builder_set_member_name(builder, "food_code");
      json_builder_add_int_value(builder, item.food_code);
    }
    json_builder_set_member_name(builder, "grams");
    json_builder_add_double_value(builder, item.grams);
    if (!item.measure.empty()) {
      json_builder_set_member_name(builder, "measure");
      json_builder_add_string_value(builder, item.measure.c_str());
      json_builder_set_member_name(builder, "count");
      json_builder_add_double_value(builder, item.count);
    }
    json_builder_end_object(builder);
  }
  json_builder_end_array(builder);
}

void add_food(JsonBuilder *builder, const OwnFood &food, const std::string &name,
              const std::map<int32_t, std::string> &names) {
  json_builder_begin_object(builder);
  json_builder_set_member_name(builder, "name");
  json_builder_add_string_value(builder, name.c_str());
  if (food.kind == OWN_FOOD) {
    json_builder_set_member_name(builder, "serving_g");
    json_builder_add_double_value(builder, food.serving_g);
    if (food.counts_like > 0) {
      json_builder_set_member_name(builder, "counts_like");
      json_builder_add_int_value(builder, food.counts_like);
    }
    json_builder_set_member_name(builder, "nutrients");
    json_builder_begin_object(builder);
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
      if ((food.known & (1u << source)) == 0) continue;
      json_builder_set_member_name(builder, own_nutrient_key(source));
      const double value = food.values[source];
      json_builder_add_double_value(
          builder, source == SOURCE_ADDED_SUGARS ? value * kAddedSugarGramsPerTsp : value);
    }
    json_builder_end_object(builder);
  } else if (food.kind == OWN_RECIPE) {
    json_builder_set_member_name(builder, "portions");
    json_builder_add_double_value(builder, food.portions);
    if (food.cooked_g > 0) {
      json_builder_set_member_name(builder, "cooked_g");
      json_builder_add_double_value(builder, food.cooked_g);
    }
    add_items(builder, "ingredients", food, names);
  } else {
    add_items(builder, "items", food, names);
  }
  json_builder_end_object(builder);
}

// |text| (JSON as json-glib writes it) with every number outside the strings in its
// shortest form that reads back as the same double: "2.44", not "2.4399999999999999".
std::string with_short_numbers(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  bool in_string = false;
  for (size_t i = 0; i < text.size(); i++) {
    const char c = text[i];
    if (in_string) {
      out += c;
      if (c == '\\' && i + 1 < text.size()) {
        out += text[++i];
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') in_string = true;
    if (c != '-' && !g_ascii_isdigit(c)) {
      out += c;
      continue;
    }
    char *end = nullptr;
    const double value = g_ascii_strtod(text.c_str() + i, &end);
    const size_t length = static_cast<size_t>(end - (text.c_str() + i));
    const std::string token = text.substr(i, length);
    i += length == 0 ? 0 : length - 1;
    // Whole numbers (food codes) stay as they are, and so does what is no number.
    if (length == 0 || token.find_first_of(".eE") == std::string::npos) {
      out += length == 0 ? std::string(1, c) : token;
      continue;
    }
    // An exponent only where the plain form would be long: 1e-05, 1e+20.
    const bool exponent = std::fabs(value) >= 1e15 || (value != 0 && std::fabs(value) < 1e-4);
    char shortest[G_ASCII_DTOSTR_BUF_SIZE];
    for (int digits = 1; digits <= 17; digits++) {
      char format[8];
      snprintf(format, sizeof format, "%%.%dg", digits);
      g_ascii_formatd(shortest, sizeof shortest, format, value);
      if (g_ascii_strtod(shortest, nullptr) == value && (exponent || !strchr(shortest, 'e')))
        break;
    }
    out += shortest;
  }
  return out;
}

// Reading: where in the file a value is, for the messages.
std::string at_index(const std::string &path, guint index) {
  return path + "[" + std::to_string(index) + "]";
}
std::string at_key(const std::string &path, const char *key) {
  return path.empty() ? key : path + "." + key;
}

// What a file read so far holds, and why it was refused.
struct Reader {
  std::vector<OwnFood> foods;           // in the order of the file
  std::vector<std::string> paths;       // where each is, "foods[0]"
  // Items that name an own food: the food, the item and where the name is.
  struct Named {
    size_t food;
    size_t item;
    std::string name;
    std::string path;
  };
  std::vector<Named> named;
  // Items that give a food database code: the code and where it is.
  std::vector<std::pair<int64_t, std::string>> coded;
  std::vector<std::string> *warnings;
  std::string error;

  bool refuse(const std::string &path, const char *why) {
    error = printed(_("key \"%s\": %s"), path, why);
    return false;
  }
  void warn_unknown(const std::string &path) {
    if (warnings) warnings->push_back(printed(_("key \"%s\" is not known: ignored"), path));
  }
};

// |*out| from the number at |node|; false when it is no number.
bool number_of(JsonNode *node, double *out) {
  if (!node || !JSON_NODE_HOLDS_VALUE(node)) return false;
  const GType type = json_node_get_value_type(node);
  if (type != G_TYPE_INT64 && type != G_TYPE_DOUBLE) return false;
  *out = json_node_get_double(node);
  return std::isfinite(*out);
}

bool whole_number_of(JsonNode *node, int64_t *out) {
  if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_INT64)
    return false;
  *out = json_node_get_int(node);
  return true;
}

bool text_of(JsonNode *node, std::string *out) {
  if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_STRING)
    return false;
  *out = json_node_get_string(node);
  return true;
}

bool read_items(Reader *reader, JsonNode *node, const std::string &path, size_t owner) {
  if (!JSON_NODE_HOLDS_ARRAY(node)) return reader->refuse(path, _("a list is needed"));
  JsonArray *array = json_node_get_array(node);
  for (guint i = 0; i < json_array_get_length(array); i++) {
    const std::string where = at_index(path, i);
    JsonNode *element = json_array_get_element(array, i);
    if (!JSON_NODE_HOLDS_OBJECT(element)) return reader->refuse(where, _("an object is needed"));
    JsonObject *object = json_node_get_object(element);
    OwnItem item;
    bool has_code = false;
    bool has_name = false;
    bool has_grams = false;
    std::string name;
    GList *members = json_object_get_members(object);
    bool ok = true;
    for (GList *m = members; m && ok; m = m->next) {
      const char *key = static_cast<const char *>(m->data);
      JsonNode *value = json_object_get_member(object, key);
      const std::string at = at_key(where, key);
      if (g_strcmp0(key, "food_code") == 0) {
        int64_t code = 0;
        if (!whole_number_of(value, &code) || code <= 0 || code >= kOwnFoodCodeFirst)
          ok = reader->refuse(at, _("a food code of the food database is needed"));
        item.food_code = static_cast<int32_t>(code);
        reader->coded.emplace_back(code, at);
        has_code = true;
      } else if (g_strcmp0(key, "name") == 0) {
        if (!text_of(value, &name) || name.empty())
          ok = reader->refuse(at, _("the name of a food is needed"));
        has_name = true;
      } else if (g_strcmp0(key, "grams") == 0) {
        if (!number_of(value, &item.grams)) ok = reader->refuse(at, _("a number is needed"));
        has_grams = true;
      } else if (g_strcmp0(key, "measure") == 0) {
        if (!text_of(value, &item.measure)) ok = reader->refuse(at, _("a text is needed"));
      } else if (g_strcmp0(key, "count") == 0) {
        if (!number_of(value, &item.count)) ok = reader->refuse(at, _("a number is needed"));
      } else {
        reader->warn_unknown(at);
      }
    }
    g_list_free(members);
    if (!ok) return false;
    if (has_code == has_name)
      return reader->refuse(where, _("either \"food_code\" or \"name\" is needed"));
    if (!has_grams) return reader->refuse(at_key(where, "grams"), _("a number is needed"));
    if (has_name)
      reader->named.push_back(
          Reader::Named{owner, reader->foods[owner].items.size(), name, at_key(where, "name")});
    reader->foods[owner].items.push_back(item);
  }
  return true;
}

bool read_nutrients(Reader *reader, JsonNode *node, const std::string &path, OwnFood *food) {
  if (!JSON_NODE_HOLDS_OBJECT(node)) return reader->refuse(path, _("an object is needed"));
  JsonObject *object = json_node_get_object(node);
  GList *members = json_object_get_members(object);
  bool ok = true;
  for (GList *m = members; m && ok; m = m->next) {
    const char *key = static_cast<const char *>(m->data);
    JsonNode *value = json_object_get_member(object, key);
    int source = 0;
    while (source < NUTRIENT_SOURCE_COUNT && g_strcmp0(own_nutrient_key(source), key) != 0)
      source++;
    if (source == NUTRIENT_SOURCE_COUNT) {
      reader->warn_unknown(at_key(path, key));
      continue;
    }
    if (JSON_NODE_HOLDS_NULL(value)) continue;  // unknown, as if left out
    double number = 0;
    if (!number_of(value, &number)) {
      ok = reader->refuse(at_key(path, key), _("a number is needed"));
      break;
    }
    food->values[source] =
        source == SOURCE_ADDED_SUGARS ? number / kAddedSugarGramsPerTsp : number;
    food->known |= 1u << source;
  }
  g_list_free(members);
  return ok;
}

// Reads one food, recipe or meal of the section |kind| at |node|.
bool read_food(Reader *reader, JsonNode *node, const std::string &path, OwnKind kind) {
  if (!JSON_NODE_HOLDS_OBJECT(node)) return reader->refuse(path, _("an object is needed"));
  JsonObject *object = json_node_get_object(node);
  reader->foods.emplace_back();
  reader->paths.push_back(path);
  const size_t index = reader->foods.size() - 1;
  reader->foods[index].kind = kind;
  const char *items_key = kind == OWN_RECIPE ? "ingredients" : "items";
  bool has_name = false;
  bool has_items = false;
  GList *members = json_object_get_members(object);
  bool ok = true;
  for (GList *m = members; m && ok; m = m->next) {
    const char *key = static_cast<const char *>(m->data);
    JsonNode *value = json_object_get_member(object, key);
    const std::string at = at_key(path, key);
    OwnFood &food = reader->foods[index];
    double number = 0;
    if (g_strcmp0(key, "name") == 0) {
      if (!text_of(value, &food.name)) ok = reader->refuse(at, _("a text is needed"));
      has_name = true;
    } else if (kind == OWN_FOOD && g_strcmp0(key, "serving_g") == 0) {
      if (!number_of(value, &food.serving_g)) ok = reader->refuse(at, _("a number is needed"));
    } else if (kind == OWN_FOOD && g_strcmp0(key, "counts_like") == 0) {
      int64_t code = 0;
      if (JSON_NODE_HOLDS_NULL(value)) continue;
      if (!whole_number_of(value, &code) || code <= 0 || code >= kOwnFoodCodeFirst)
        ok = reader->refuse(at, _("a food code of the food database is needed"));
      food.counts_like = static_cast<int32_t>(code);
      reader->coded.emplace_back(code, at);
    } else if (kind == OWN_FOOD && g_strcmp0(key, "nutrients") == 0) {
      ok = read_nutrients(reader, value, at, &food);
    } else if (kind == OWN_RECIPE && g_strcmp0(key, "portions") == 0) {
      if (!number_of(value, &food.portions)) ok = reader->refuse(at, _("a number is needed"));
    } else if (kind == OWN_RECIPE && g_strcmp0(key, "cooked_g") == 0) {
      if (JSON_NODE_HOLDS_NULL(value)) continue;
      if (!number_of(value, &number) || !(number > 0))
        ok = reader->refuse(at, _("a weight of more than 0 g is needed"));
      food.cooked_g = number;
    } else if (kind != OWN_FOOD && g_strcmp0(key, items_key) == 0) {
      ok = read_items(reader, value, at, index);
      has_items = true;
    } else {
      reader->warn_unknown(at);
    }
  }
  g_list_free(members);
  if (!ok) return false;
  if (!has_name) return reader->refuse(at_key(path, "name"), _("a text is needed"));
  if (kind != OWN_FOOD && !has_items)
    return reader->refuse(at_key(path, items_key), _("a list is needed"));
  return true;
}

// Reads the whole document at |root|.
bool read_document(Reader *reader, JsonNode *root) {
  if (!root || !JSON_NODE_HOLDS_OBJECT(root)) {
    reader->error = _("the file holds no JSON object");
    return false;
  }
  JsonObject *object = json_node_get_object(root);
  std::string format;
  if (!text_of(json_object_get_member(object, "format"), &format) || format != kFormat)
    return reader->refuse("format", _("this is no file of alimora-foods"));
  int64_t version = 0;
  if (!whole_number_of(json_object_get_member(object, "version"), &version) || version < 1)
    return reader->refuse("version", _("a version number is needed"));
  if (version > kVersion)
    return reader->refuse("version", _("the file is of a newer version than this program reads"));
  const struct {
    const char *key;
    OwnKind kind;
  } sections[] = {{"foods", OWN_FOOD}, {"recipes", OWN_RECIPE}, {"meals", OWN_MEAL}};
  GList *members = json_object_get_members(object);
  for (GList *m = members; m; m = m->next) {
    const char *key = static_cast<const char *>(m->data);
    bool known = g_strcmp0(key, "format") == 0 || g_strcmp0(key, "version") == 0;
    for (const auto &section : sections) known = known || g_strcmp0(key, section.key) == 0;
    if (!known) reader->warn_unknown(key);
  }
  g_list_free(members);
  for (const auto &section : sections) {
    JsonNode *node = json_object_get_member(object, section.key);
    if (!node || JSON_NODE_HOLDS_NULL(node)) continue;
    if (!JSON_NODE_HOLDS_ARRAY(node)) return reader->refuse(section.key, _("a list is needed"));
    JsonArray *array = json_node_get_array(node);
    for (guint i = 0; i < json_array_get_length(array); i++)
      if (!read_food(reader, json_array_get_element(array, i), at_index(section.key, i),
                     section.kind))
        return false;
  }
  return true;
}

}  // namespace

int own_foods_write_file(sqlite3 *log_db, const char *path, std::string *error) {
  error->clear();
  std::vector<OwnFood> all;
  if (own_foods_load(log_db, true, &all) != 0) {
    *error = _("the own foods cannot be read from the log");
    return -1;
  }
  std::map<int32_t, const OwnFood *> by_code;
  for (const OwnFood &food : all) by_code[food.food_code] = &food;
  // What is written: every food not deleted, and the deleted ones that a written recipe or
  // meal still holds (and what those hold).
  std::set<int32_t> written;
  std::vector<int32_t> pending;
  for (const OwnFood &food : all)
    if (!food.deleted) pending.push_back(food.food_code);
  while (!pending.empty()) {
    const int32_t code = pending.back();
    pending.pop_back();
    auto found = by_code.find(code);
    if (found == by_code.end() || !written.insert(code).second) continue;
    for (const OwnItem &item : found->second->items)
      if (food_code_is_own(item.food_code)) pending.push_back(item.food_code);
  }
  // Their names in the file: a deleted one whose name another took gets its code added.
  std::set<std::string> taken;
  for (const OwnFood &food : all)
    if (!food.deleted) taken.insert(food.name);
  std::map<int32_t, std::string> names;
  for (const OwnFood &food : all) {
    if (!written.count(food.food_code)) continue;
    std::string name = food.name;
    if (food.deleted && taken.count(name)) name += " (" + std::to_string(food.food_code) + ")";
    taken.insert(name);
    names[food.food_code] = name;
  }

  JsonBuilder *builder = json_builder_new();
  json_builder_begin_object(builder);
  json_builder_set_member_name(builder, "format");
  json_builder_add_string_value(builder, kFormat);
  json_builder_set_member_name(builder, "version");
  json_builder_add_int_value(builder, kVersion);
  for (OwnKind kind : {OWN_FOOD, OWN_RECIPE, OWN_MEAL}) {
    json_builder_set_member_name(builder, section_of(kind));
    json_builder_begin_array(builder);
    for (const OwnFood &food : all)
      if (food.kind == kind && written.count(food.food_code))
        add_food(builder, food, names[food.food_code], names);
    json_builder_end_array(builder);
  }
  json_builder_end_object(builder);
  JsonGenerator *generator = json_generator_new();
  JsonNode *root = json_builder_get_root(builder);
  json_generator_set_root(generator, root);
  json_generator_set_pretty(generator, TRUE);
  json_generator_set_indent(generator, 1);
  gsize length = 0;
  gchar *text = json_generator_to_data(generator, &length);
  json_node_unref(root);
  g_object_unref(generator);
  g_object_unref(builder);
  std::string data = with_short_numbers(std::string(text, length)) + "\n";
  g_free(text);

  GError *failure = nullptr;
  if (!g_file_set_contents(path, data.c_str(), static_cast<gssize>(data.size()), &failure)) {
    *error = failure->message;
    g_error_free(failure);
    return -1;
  }
  return 0;
}

int own_foods_read_file(sqlite3 *log_db, const char *path, OwnImport *result,
                        std::vector<std::string> *warnings, std::string *error,
                        sqlite3 *food_db) {
  *result = OwnImport{};
  error->clear();
  if (warnings) warnings->clear();
  JsonParser *parser = json_parser_new();
  GError *failure = nullptr;
  if (!json_parser_load_from_file(parser, path, &failure)) {
    // json-glib names the line and the column of the fault ("3:14: ...").
    const bool unreadable = failure->domain == G_FILE_ERROR;
    *error = failure->message;
    g_error_free(failure);
    g_object_unref(parser);
    return unreadable ? -1 : 1;
  }
  Reader reader;
  reader.warnings = warnings;
  const bool read = read_document(&reader, json_parser_get_root(parser));
  g_object_unref(parser);
  if (!read) {
    *error = reader.error;
    return 1;
  }

  // Food database codes: they must be foods of it.
  if (!food_db) food_db = food_source_food_db_of(log_db);
  if (food_db) {
    for (const auto &coded : reader.coded) {
      std::string description;
      const int rc = food_describe(food_db, static_cast<int32_t>(coded.first), &description);
      if (rc < 0) {
        *error = _("the food database cannot be read");
        return -1;
      }
      if (rc == 1) {
        *error = printed(_("key \"%s\": %s"), coded.second,
                         printed(_("the food database has no food %s"),
                                 std::to_string(coded.first)));
        return 1;
      }
    }
  }
  // Names: a food of the file (which becomes its index), else one of the log.
  std::map<std::string, size_t> in_file;
  for (size_t i = 0; i < reader.foods.size(); i++)
    if (reader.foods[i].kind != OWN_MEAL) in_file.emplace(reader.foods[i].name, i);
  std::vector<OwnFood> stored;
  if (!reader.named.empty() && own_foods_load(log_db, false, &stored) != 0) {
    *error = _("the own foods cannot be read from the log");
    return -1;
  }
  for (const Reader::Named &named : reader.named) {
    int32_t code = 0;
    auto found = in_file.find(named.name);
    if (found != in_file.end()) {
      code = -static_cast<int32_t>(found->second) - 1;
    } else {
      for (const OwnFood &food : stored)
        if (food.kind != OWN_MEAL && food.name == named.name) code = food.food_code;
    }
    if (code == 0) {
      *error = printed(_("key \"%s\": %s"), named.path,
                       printed(_("no own food is named \"%s\""), named.name));
      return 1;
    }
    reader.foods[named.food].items[named.item].food_code = code;
  }

  OwnFault fault;
  const int rc = own_foods_import(log_db, reader.foods, result, &fault);
  if (rc == 1) {
    *error = fault.message;
    return 1;
  }
  if (rc != 0) {
    *error = _("the foods cannot be written to the log");
    return -1;
  }
  return 0;
}
