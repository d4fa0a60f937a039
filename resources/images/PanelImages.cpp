// The panel_images library holds only the embedded pictures; this unit gives it an object file.
namespace panel_images_unit {
int Anchor() { return 0; }
}  // namespace panel_images_unit
