/* Converts a photo to HTML and prints its top-left cell:
 *   cc photo_to_html.c $(pkg-config --cflags --libs varnelo) -o photo_to_html
 *   ./photo_to_html photo.jpg photo.html */
#include <stdio.h>
#include <varnelo/varnelo.h>

int main(int argc, char** argv) {
    varnelo_settings* settings = varnelo_settings_new();
    varnelo_picture* picture = NULL;
    varnelo_cells* cells = NULL;
    if (argc != 3 || varnelo_settings_set(settings, "mode", "symbols") != VARNELO_OK ||
        varnelo_settings_set_fit(settings, 80, 40) != VARNELO_OK ||
        varnelo_picture_open_file(argv[1], &picture) != VARNELO_OK ||
        varnelo_convert_to_file(settings, picture, NULL, argv[2]) != VARNELO_OK ||
        varnelo_convert_to_cells(settings, picture, NULL, &cells) != VARNELO_OK) {
        fprintf(stderr, "photo_to_html: %s\n", argc != 3 ? "give a photo and an output" : varnelo_last_error());
        return 1;
    }
    printf("%d x %d cells; the first is \"%s\", ink #%06x on #%06x\n", varnelo_cells_columns(cells),
           varnelo_cells_rows(cells), varnelo_cells_text(cells, 0, 0), varnelo_cells_ink(cells, 0, 0),
           varnelo_cells_background(cells, 0, 0));
    varnelo_cells_free(cells);
    varnelo_picture_free(picture);
    varnelo_settings_free(settings);
    return 0;
}
