#!/bin/bash
# Real photos with an off-centre subject for bench/subjects (their subject
# boxes are marked in bench/subjects/photos.json), real cut-outs with an
# alpha channel (Tux Paint's photographic stamps) and textured real photos
# to lay them over. All from Debian packages, checked by hash. Idempotent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../lib.sh
source "$here/../lib.sh"
out="$VELL_CACHE/samples/subjects"
mkdir -p "$out/photos" "$out/cutouts" "$out/backgrounds"

# name, package, path inside it, sha256 of the file; kept as photos/NAME.EXT
while read -r name package path sum; do
  deb_extract "$package" "$path" "$out/photos/$name.${path##*.}" "$sum"
done <<LIST
nuthatch lomiri-wallpapers-20.04 usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg 6572410c09f4492c74ccadde133565a14c0161617d5917d4c820c66d65a44ba7
dogs lomiri-wallpapers-16.04 usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg cc40e313c74e421edffe3403def413c16878ce14661cce7ec5915baeab35538d
dragonfly lomiri-wallpapers-16.04 usr/share/backgrounds/Dragonfly_by_Bolly.jpg af5af17841009732def24b09bb1e669a1b09d2b4bdeee7812c371101c30d2bb3
fig lomiri-wallpapers-16.04 usr/share/backgrounds/Picture_0B_by_freespace.jpg c8c0ab18e48d9e0419fe42881112137f3afafc27dfddc29ec3a6d54c56d225ad
wine lomiri-wallpapers-16.04 usr/share/backgrounds/Wine_by_Jakkub_Mede.jpg d2e96e6d4da40dd804b3d0ce295e94de04a2d7d9b6785d42cd9d92ba58bced74
toybird lomiri-wallpapers-16.04 usr/share/backgrounds/free_by_Peter_Nerlich.jpg 85a5453c2fed514c75973016f3d862aca62eb7ca087618822469274ac1092373
dandelion lomiri-wallpapers-16.04 usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg a5634d1ab5e41a3568e92d4a894a500c92b891f9ff734e50bd224d6e185a605f
ladybird mate-backgrounds usr/share/backgrounds/mate/nature/LadyBird.jpg e35a9a4126ef969c90b29c038058c5a575a20eadd84106a37bf1fa9931e7b61d
marigold mate-backgrounds usr/share/backgrounds/mate/nature/Garden.jpg d3095ee09d425ef23d27155412136cf14fc3c9af76ca58b452f55e23da324e78
yellowflower mate-backgrounds usr/share/backgrounds/mate/nature/YellowFlower.jpg 254da96256acb7add685679775a04d1e4a5bc8cd13e5a5a3d61351ce198a5306
waterdrop mate-backgrounds usr/share/backgrounds/mate/nature/Aqua.jpg 5c30118205982da441bf7e6a1ada636a8a0be879408140b3148280c665ed6bce
seeds mate-backgrounds usr/share/backgrounds/mate/nature/TwoWings.jpg 665e5abf8a5399070a91a9a8e455fe071e5b61697ff78fdeda4e9843ef545aeb
squirrel opencv-doc usr/share/doc/opencv-doc/examples/data/squirrel_cls.jpg 20bb6e8ae96918a36c9886b6d48e54eedeb3948591e1485c206bc1dc60c8dc8b
footballer opencv-doc usr/share/doc/opencv-doc/examples/data/messi5.jpg 1d570e49654e84c7a943918537bd9e5e1ef82920152e147c834006e235be97c9
chameleon palapeli-data usr/share/palapeli/collection/panther-chameleon-female.jpg adb9e2834a8a3db40ca3817452b956ada527085e5aa2bd604c465651a3834ae4
bee palapeli-data usr/share/palapeli/collection/european-honey-bee.jpg 9d54ae706bddd899c91b2b801d9ca4556a5a9a399b4043f9d539df62a8cb7f27
bridge palapeli-data usr/share/palapeli/collection/cincinnati-bridge.jpg 09772d09318b34a5c5edd58ee86ff462bcd2907006f31cc8e0704310f8e9ab60
coffee python3-skimage usr/lib/python3/dist-packages/skimage/data/coffee.png cc02f8ca188b167c775a7101b5d767d1e71792cf762c33d6fa15a4599b5a8de7
astronaut python3-skimage usr/lib/python3/dist-packages/skimage/data/astronaut.png 88431cd9653ccd539741b555fb0a46b61558b301d4110412b5bc28b5e3ea6cb5
pagoda python3-sklearn usr/lib/python3/dist-packages/sklearn/datasets/images/china.jpg 8378025ad2519d649d02e32bd98990db4ab572357d9f09841c2fbfbb4fefad29
beach kphotoalbum usr/share/kphotoalbum/demo/anne_helene.jpg 75dea938bf86530e95c6b74dbcc7fb447947fd17d523121634e08f03e0e7304f
wader kphotoalbum usr/share/kphotoalbum/demo/cold_water.jpg 1c92d774263012891803360080a03999ffdb4fb643f320d9c106b5a3cbb21306
pool kphotoalbum usr/share/kphotoalbum/demo/pool.jpg c6b1c79236388d3a7608ce1b8702a613f3d62105e36dfebc1fce4efe16e42560
woods kphotoalbum usr/share/kphotoalbum/demo/donna.jpg c98f91990752bb6dff72bd8bb2820dc28317051c0e60ddf11822a39f076c31da
cat python3-skimage usr/lib/python3/dist-packages/skimage/data/chelsea.png 596aa1e7cb875eb79f437e310381d26b338a81c2da23439704a73c4651e8c4bb
face kphotoalbum usr/share/kphotoalbum/demo/jesper.jpg 5b3b5a6cdf040c238c137fd50d3f4e3aa3f6877b6f031c93ad9b06c45225b7e6
LIST

stamps=usr/share/tuxpaint/stamps
while read -r path sum; do
  deb_extract tuxpaint-stamps-default "$stamps/$path" "$out/cutouts/$(basename "$path")" "$sum"
done <<LIST
animals/birds/helmeted_guineafowl.png a99a5c8762be390c4813583c159430f401159fa82185c75fd08a62caf1c0458d
animals/birds/crowned_crane.png 8512e8481a727ced9236f9b1ab994252ed6ac78df6cc6b84d54c6e2565f4fe9e
animals/mammals/bears/european-bear.png bab9ff97e54a0a1961c7411f701f8f156b1d353a5e86cf85c6bc675aea8a32ff
animals/mammals/cats/lion-2.png f608afc9531257d9322d80a609094abe5827351973cdc08e0fecd1cd2cb76788
animals/mammals/aquatic/otter.png 875ec74ddc9cf664ad988ddfa1972739260b2c59bf4963d06b3b337f31594307
plants/flowers/anemone_red.png 7315652309667904a8547dba62417a578b6eecdcb1fa11fa3c2acfc61d4e2b6b
people/fireman240a.png 9774b54817b29e5ee38d74459d5d1107653330f1d709afbfd23419499a7b1a71
animals/mammals/bovines/gnu-stand.png 70b16c784d788ad7545d3a96b40b009370783a285a4d49c953619aef3f9cb860
LIST

while read -r package path sum; do
  deb_extract "$package" "$path" "$out/backgrounds/$(basename "$path")" "$sum"
done <<LIST
lomiri-wallpapers-16.04 usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg 414d0072b2f6f2c555deafeaef6e45c4fed6fa9ad26eba6560ca8803959cf97a
lomiri-wallpapers-16.04 usr/share/backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg 66268e7b48f8854d36a28765fac6e23ec1aee251daa6da1f64715f201020ad36
lomiri-wallpapers-16.04 usr/share/backgrounds/life_by_Aitzol_Berasategi.jpg 4c119350ead80201fe256850c3d316309ddfb4bdf10b235ce982dcde0c667c05
lomiri-wallpapers-16.04 usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg 474dab6a4b9f94dc76c29dfe30e9f5db4af0fd2e33fe5d695f8152b371efca18
mate-backgrounds usr/share/backgrounds/mate/nature/Dune.jpg 8a67c2cb0be8c46b70c237311a4fa4d2b4ac7d39568135384787801fa5cc9a91
mate-backgrounds usr/share/backgrounds/mate/nature/GreenMeadow.jpg 8fa0de0aa4089f7319c9fb7a6d006d4cab6023e8c8853731557cff53567b4832
mate-backgrounds usr/share/backgrounds/mate/nature/RainDrops.jpg 3e4ea9671c28c90a86cf67b3db9daf18c4741587c596333a7529ca589aaa0c16
LIST
