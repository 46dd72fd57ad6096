// The settings dialog in GTK 3. Laid out with boxes rather than the form's pixel positions: the
// toolkit's fonts and widgets are larger than the original's, and boxes keep the same order and
// grouping at any size.
#include "platform/settingsdialog.h"

#include <gtk/gtk.h>

#include <string>

namespace {

struct Dialog {
    SettingsDialogView* view = nullptr;
    const SettingsDialogHandlers* handlers = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* res = nullptr;
    GtkWidget* sound = nullptr;
    GtkTextBuffer* custom = nullptr;
    bool done = false;
};

// Keyboard access: the first letter of a caption becomes its mnemonic (Alt + letter).
std::string mnemonic(const std::string& caption)
{
    std::string out = "_";
    for (char c : caption) {
        if (c == '_') out += '_';
        out += c;
    }
    return out;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    return text;
}

void readBack(Dialog& d)
{
    d.view->resolutionIndex = gtk_combo_box_get_active(GTK_COMBO_BOX(d.res));
    d.view->soundChecked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.sound)) != FALSE;
    GtkTextIter begin, end;
    gtk_text_buffer_get_bounds(d.custom, &begin, &end);
    gchar* text = gtk_text_buffer_get_text(d.custom, &begin, &end, FALSE);
    std::vector<std::string> lines;
    const std::string all = text ? text : "";
    g_free(text);
    if (!all.empty()) {
        size_t start = 0;
        for (;;) {
            const size_t newline = all.find('\n', start);
            lines.push_back(all.substr(start, newline == std::string::npos ? std::string::npos : newline - start));
            if (newline == std::string::npos) break;
            start = newline + 1;
        }
    }
    d.view->customLines = lines;
}

void onOk(GtkButton*, gpointer data)
{
    Dialog& d = *static_cast<Dialog*>(data);
    readBack(d);
    if (!d.handlers->ok || d.handlers->ok(*d.view)) d.done = true;
}

void onDefault(GtkButton*, gpointer data)
{
    Dialog& d = *static_cast<Dialog*>(data);
    readBack(d);
    if (d.handlers->defaults) d.handlers->defaults(*d.view);
    const std::string text = joinLines(d.view->customLines);
    gtk_text_buffer_set_text(d.custom, text.c_str(), -1);
}

gboolean onLink(GtkWidget*, GdkEventButton* event, gpointer data)
{
    if (event->button != 1) return FALSE;
    Dialog& d = *static_cast<Dialog*>(data);
    readBack(d);
    if (d.handlers->link) d.handlers->link(*d.view);
    d.done = true;
    return TRUE;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    // The close box stores nothing; the window is destroyed once the loop below has ended.
    static_cast<Dialog*>(data)->done = true;
    return TRUE;
}

void onLinkRealize(GtkWidget* widget, gpointer)
{
    GdkWindow* window = gtk_widget_get_window(widget);
    GdkCursor* hand = gdk_cursor_new_from_name(gdk_window_get_display(window), "pointer");
    if (hand) {
        gdk_window_set_cursor(window, hand);
        g_object_unref(hand);
    }
}

}  // namespace

bool openSettingsToolkit()
{
    return gtk_init_check(nullptr, nullptr) != FALSE;
}

void runSettingsDialog(SettingsDialogView& view, const SettingsDialogHandlers& handlers)
{
    Dialog d;
    d.view = &view;
    d.handlers = &handlers;

    d.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(d.window);
    gtk_window_set_title(window, view.caption.c_str());
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);   // a tool window
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    g_signal_connect(d.window, "delete-event", G_CALLBACK(onDelete), &d);

    GtkWidget* panel = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);   // Panel1
    gtk_widget_set_size_request(panel, view.clientWidth, -1);
    gtk_container_add(GTK_CONTAINER(d.window), panel);

    // GroupBox1: the resolution list and the sound box.
    GtkWidget* hardware = gtk_frame_new(view.hardwareCaption.c_str());
    gtk_widget_set_margin_start(hardware, 8);
    gtk_widget_set_margin_end(hardware, 8);
    gtk_widget_set_margin_top(hardware, 8);
    gtk_box_pack_start(GTK_BOX(panel), hardware, FALSE, FALSE, 0);
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 8);
    gtk_container_add(GTK_CONTAINER(hardware), grid);

    GtkWidget* label = gtk_label_new(view.resolutionCaption.c_str());   // Label1
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    gtk_grid_attach(GTK_GRID(grid), label, 0, 0, 1, 1);
    d.res = gtk_combo_box_text_new_with_entry();   // editable, as the form's drop-down list is
    for (const std::string& item : view.resolutions)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(d.res), item.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(d.res), view.resolutionIndex);
    gtk_widget_set_hexpand(d.res, TRUE);
    gtk_entry_set_activates_default(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(d.res))), TRUE);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), d.res);
    gtk_grid_attach(GTK_GRID(grid), d.res, 1, 0, 1, 1);

    d.sound = gtk_check_button_new_with_mnemonic(mnemonic(view.soundCaption).c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.sound), view.soundChecked);
    gtk_grid_attach(GTK_GRID(grid), d.sound, 0, 1, 2, 1);

    // customBox: the custom strings and their Default button.
    GtkWidget* customize = gtk_frame_new(view.customizeCaption.c_str());
    gtk_widget_set_margin_start(customize, 8);
    gtk_widget_set_margin_end(customize, 8);
    gtk_box_pack_start(GTK_BOX(panel), customize, FALSE, FALSE, 0);
    GtkWidget* customBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(customBox), 8);
    gtk_container_add(GTK_CONTAINER(customize), customBox);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_widget_set_size_request(scroller, -1, 137);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    GtkWidget* lines = gtk_text_view_new();   // customStrings
    d.custom = gtk_text_view_get_buffer(GTK_TEXT_VIEW(lines));
    const std::string text = joinLines(view.customLines);
    gtk_text_buffer_set_text(d.custom, text.c_str(), -1);
    gtk_container_add(GTK_CONTAINER(scroller), lines);
    gtk_box_pack_start(GTK_BOX(customBox), scroller, TRUE, TRUE, 0);
    GtkWidget* defaults = gtk_button_new_with_mnemonic(mnemonic(view.defaultCaption).c_str());   // Button2
    gtk_widget_set_halign(defaults, GTK_ALIGN_END);
    g_signal_connect(defaults, "clicked", G_CALLBACK(onDefault), &d);
    gtk_box_pack_start(GTK_BOX(customBox), defaults, FALSE, FALSE, 0);

    // Button1, at the right below the groups; also the default for Return.
    GtkWidget* ok = gtk_button_new_with_mnemonic(mnemonic(view.okCaption).c_str());
    gtk_widget_set_halign(ok, GTK_ALIGN_END);
    gtk_widget_set_margin_end(ok, 8);
    gtk_widget_set_size_request(ok, 75, -1);
    gtk_widget_set_can_default(ok, TRUE);
    g_signal_connect(ok, "clicked", G_CALLBACK(onOk), &d);
    gtk_box_pack_start(GTK_BOX(panel), ok, FALSE, FALSE, 0);

    // Label2: the maker's address as a link along the bottom edge.
    GtkWidget* linkBox = gtk_event_box_new();
    GtkWidget* linkLabel = gtk_label_new(nullptr);
    gchar* markup = g_markup_printf_escaped(
        "<span foreground=\"navy\" weight=\"bold\" underline=\"single\">%s</span>", view.link.c_str());
    gtk_label_set_markup(GTK_LABEL(linkLabel), markup);
    g_free(markup);
    gtk_widget_set_halign(linkLabel, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_bottom(linkLabel, 2);
    gtk_widget_set_tooltip_text(linkBox, view.link.c_str());
    gtk_container_add(GTK_CONTAINER(linkBox), linkLabel);
    gtk_widget_add_events(linkBox, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(linkBox, "button-press-event", G_CALLBACK(onLink), &d);
    g_signal_connect(linkBox, "realize", G_CALLBACK(onLinkRealize), nullptr);
    gtk_box_pack_end(GTK_BOX(panel), linkBox, FALSE, FALSE, 0);

    // Hidden controls go before the window is shown, so that it is sized and centred without them.
    gtk_widget_show_all(panel);
    if (!view.soundVisible) gtk_widget_hide(d.sound);
    if (!view.customizeVisible) gtk_widget_hide(customize);   // the shortened dialog
    gtk_widget_show(d.window);
    gtk_window_set_default(window, ok);
    gtk_widget_grab_focus(d.res);

    while (!d.done) gtk_main_iteration();

    gtk_widget_destroy(d.window);
    // Let the server see the window go before the program carries on (or ends).
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_display_flush(gdk_display_get_default());
}
